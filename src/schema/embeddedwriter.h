#pragma once

#include "sqldmo.h"

#include <QString>

// Column additions in the embedded engine's own words. The SQL Server texts
// of addcolumnstatement.h stay as they are; these are what the embedded
// engine runs instead: names in double quotes, types it can parse.
namespace corvane::schema {

// The declared type for a column as SQL Server describes it. Types the
// engine cannot parse or would give the wrong affinity become its nearest
// storage class:
//   varchar(max), nvarchar(max), xml, uniqueidentifier,
//   datetime2(n), datetimeoffset(n), time(n)                  -> text
//   varbinary(max), image, timestamp, rowversion, sql_variant,
//   hierarchyid, geometry, geography                          -> blob
// Sized types keep their size, decimal and numeric their precision and
// scale; every other type keeps its name (int, bit, money, datetime, ...).
QString embeddedType(const Column& column);

// "name" type [COLLATE ...] [NOT NULL] [DEFAULT ...], each piece followed by
// one blank; char and nchar get the collation the SQL Server text gives them.
QString embeddedColumnDefinition(const Column& column);

// ALTER TABLE "table" ADD <definition>, on the local table's own name.
QString embeddedAddColumnStatement(const QString& localTable, const Column& column);

} // namespace corvane::schema

#pragma once

#include <QString>
#include <QVariant>

namespace corvane::db {

// How SQL Server's INFORMATION_SCHEMA.COLUMNS describes a column type.
// Absent values are null, as the server reports them.
struct ColumnType
{
    QString dataType;       // lower-case base name: "varchar", "decimal", "int"
    QVariant maximumLength; // character types: declared length (-1 for max)
    QVariant numericPrecision;
    QVariant numericScale;
};

// Reads a declared type as the embedded engine keeps it: "varchar(50)",
// "decimal(18, 4)", "[char] (10)" (brackets possibly mangled), "int IDENTITY (1, 1)".
ColumnType parseColumnType(const QString& declared);

} // namespace corvane::db

#pragma once

#include "sqldmo.h"

namespace corvane::schema {

// The collation every new char / nchar column gets, whatever the reference's.
inline const QString kAddColumnCollation = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");

// "ALTER TABLE [table] ADD [name] [type] ..." for one reference column, each
// piece followed by one blank. The column's name, type and default are
// trimmed here. Lengths are carried for every sized type and precision and
// scale for decimal and numeric, so the new column holds what the
// reference's does; the default goes in as the reference writes it.
QString addColumnStatement(const QString& tableName, const Column& column);

} // namespace corvane::schema

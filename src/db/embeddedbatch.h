#pragma once

#include <QStringList>

namespace corvane::db {

// The embedded engine runs one statement per call, SQL Server a whole batch:
// cut a batch into its statements (semicolons inside strings, comments and
// trigger bodies do not cut). Blank pieces are dropped.
QStringList splitEmbeddedBatch(const QString& sql);

} // namespace corvane::db

#pragma once

#include "sqldmo.h"

namespace corvane::schema {

// The component on the embedded engine: the server is a folder, each database
// a file <folder>/<name>.db read through sqlite_schema and pragma_table_info.
// dataSource is "sqlite:<folder>" with an optional ",<port>" (ignored).
// Throws when the folder does not exist.
std::shared_ptr<SqlServer> connectEmbeddedServer(const QString& dataSource);

} // namespace corvane::schema

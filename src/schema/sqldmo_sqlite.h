#pragma once

#include "sqldmo.h"

#include <memory>

namespace corvane::schema {

class EmbeddedFiles;

// The component on the embedded engine: the server is a folder, each database
// a file <folder>/<name>.db read through sqlite_schema and pragma_table_info.
// dataSource is "sqlite:<folder>" with an optional ",<port>" (ignored).
// The files are read through `files`, shared by the application's servers.
// Throws when the folder does not exist.
std::shared_ptr<SqlServer> connectEmbeddedServer(const QString& dataSource,
                                                 std::shared_ptr<EmbeddedFiles> files);

} // namespace corvane::schema

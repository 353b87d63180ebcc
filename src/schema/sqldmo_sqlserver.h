#pragma once

#include "sqldmo.h"

namespace corvane::schema {

// The component on SQL Server: one ODBC connection per server object and one
// per database object, the definitions read from the catalogue views.
// Throws when the server cannot be reached or the login is refused.
std::shared_ptr<SqlServer> connectSqlServer(const QString& server, const QString& login,
                                            const QString& password, int loginTimeoutSeconds);

} // namespace corvane::schema

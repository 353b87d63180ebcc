#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace corvane::test {

// Creates (or extends) the embedded database <folder>/<name>.db by running an
// SQL script (several statements). Fails the calling test through QFAIL-like
// exception on an SQL error.
void runSqlScript(const QString& folder, const QString& name, const QString& script);

// The connection string the program builds for an embedded database.
QString embeddedConnectionString(const QString& folder, const QString& name);
// conf.ini lines for an embedded local database.
QString embeddedConfIni(const QString& folder, const QString& name);

// Rows of a query on <folder>/<name>.db, each row's values joined by "|"
// (NULL written as "<null>").
QStringList queryRows(const QString& folder, const QString& name, const QString& sql);

} // namespace corvane::test

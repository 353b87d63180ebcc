#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace corvane::db {

// Makes every SQLite connection opened from now on in this process (Qt's
// QSQLITE, the SQLite ODBC driver, direct sqlite3_open) carry:
//  - the collation SQL_Latin1_General_CP1_CI_AS (case and trailing blanks ignored);
//  - an attached schema INFORMATION_SCHEMA with the read-only tables TABLES,
//    COLUMNS and VIEWS over the main schema, as SQL Server's views answer.
// Every such connection waits up to 5 s for a lock from the moment it opens;
// when the layer cannot be installed (a file that is not a database, a lock
// held longer), the open fails with the engine's reason.
// Safe to call any number of times.
void installInformationSchema();

// The engine's reason for a failed open, without the words it wraps around
// a failure of the layer above.
QString openFailureText(const QString& text);

// sqlite3_open_v2 without the layer above: for handles that read the engine's
// own catalogue only, so that opening one costs no attach. The caller closes
// the handle (also after a failure, as sqlite3_open_v2 asks).
int openWithoutInformationSchema(const QByteArray& path, int flags, sqlite3** handle);

} // namespace corvane::db

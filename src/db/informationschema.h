#pragma once

namespace corvane::db {

// Makes every SQLite connection opened from now on in this process (Qt's
// QSQLITE, the SQLite ODBC driver, direct sqlite3_open) carry:
//  - the collation SQL_Latin1_General_CP1_CI_AS (case and trailing blanks ignored);
//  - an attached schema INFORMATION_SCHEMA with the read-only tables TABLES,
//    COLUMNS and VIEWS over the main schema, as SQL Server's views answer.
// Safe to call any number of times.
void installInformationSchema();

} // namespace corvane::db

#pragma once

#include <QByteArray>
#include <sqlite3.h>

namespace corvane::db {

// A statement prepared on an engine handle, finalized however the reading
// ends. rc() is the engine's code for the preparation.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* handle, const char* sql)
        : m_rc(sqlite3_prepare_v2(handle, sql, -1, &m_stmt, nullptr))
    {
    }
    ~SqliteStatement() { sqlite3_finalize(m_stmt); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int rc() const { return m_rc; }
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

// A column's bytes as the engine keeps them (UTF-8 for text).
inline QByteArray columnBytes(sqlite3_stmt* stmt, int column)
{
    return QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                      sqlite3_column_bytes(stmt, column));
}

} // namespace corvane::db

#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

class QSqlQuery;
class QSqlRecord;

struct sqlite3;

namespace corvane::db {

class EmbeddedRows;
class EmbeddedStatements;

inline constexpr int adStateClosed = 0;
inline constexpr int adStateOpen = 1;
inline constexpr int adOptionUnspecified = -1;
// ADO's login timeout when a procedure sets none of its own.
inline constexpr int kDefaultLoginTimeoutSeconds = 15;

// The keys of an SQLOLEDB connection string, as the program builds them.
struct ConnectionSpec
{
    QString provider;
    QString dataSource; // "host", "host,port", or "sqlite:<folder>" for the embedded engine
    QString user;       // "UID" or "User ID"
    QString password;   // "PWD"
    QString database;   // "DATABASE"
};

// Splits "Key=Value;Key=Value"; keys compared ignoring letter case. Values are
// taken as they stand: the program inserts them without quoting, so a piece
// that does not start with one of the keys above belongs to the value before
// it ("PWD=ab;cd" is the password "ab;cd").
ConnectionSpec parseConnectionString(const QString& connectionString);

// True when the data source names the embedded engine ("sqlite:<folder>").
bool isEmbeddedDataSource(const QString& dataSource);

// A result a reader is still taking from the server. A SQL Server connection
// carries one open result at a time: before the next statement goes out, the
// connection has the reader take in the rest of its rows.
class OpenResult
{
public:
    // Reads the remaining rows into memory and lets go of the server's result.
    // An error while reading is kept for the reader to raise where it happened.
    virtual void takeInRemainingRows() = 0;

protected:
    ~OpenResult() = default;
};

// One database connection, as an ADO Connection is used by the program.
//  - "Data Source=sqlite:<folder>" opens <folder>/<DATABASE>.db (a trailing
//    ",<port>" ignored); a missing file is a connection failure. Every such
//    connection carries the INFORMATION_SCHEMA layer.
//  - anything else is SQL Server through QODBC and the driver named by
//    CORVANE_ODBC_DRIVER (FreeTDS by default), with the extra keywords of
//    CORVANE_ODBC_OPTIONS appended to its ODBC connection string.
// Every statement goes through run() or start(): one result open at a time, as ADO's
// SQL Server provider kept it for its callers, so no caller meets "Invalid
// cursor state" or "Connection is busy with results for another command".
// Every failure throws corvane::Error with a number and the provider's text.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 1 when open, 0 otherwise.
    int State() const;
    // User and password arguments are ADO's; the credentials travel in the string.
    void Open(const QString& connectionString, const QString& user = {},
              const QString& password = {}, int options = adOptionUnspecified);
    void Close();

    // Seconds to wait for the server at Open; ADO's 15 unless set.
    void setLoginTimeout(int seconds) { m_loginTimeout = seconds; }
    int loginTimeout() const { return m_loginTimeout; }

    // Runs one statement that returns no rows (DDL, INSERT, UPDATE).
    void Execute(const QString& sql);

    // Runs one statement, forward-only, and returns it before its first row.
    // With values, they are bound to its ? placeholders in order. An open
    // result on this connection is taken in first.
    std::unique_ptr<QSqlQuery> run(const QString& sql, const QVariantList& values = {});
    // On the embedded engine: one statement read straight from the engine up
    // to its first row, its text kept prepared when it carries values. Null on
    // SQL Server, or when the text is not one whole statement: run() then
    // takes it. An open result on this connection is taken in first.
    std::unique_ptr<EmbeddedRows> start(const QString& sql, const QVariantList& values = {});
    // The current row of a query of this connection, a NULL as a null QVariant.
    QVariantList values(const QSqlQuery& query, const QSqlRecord& record) const;
    // Every row of one query, read at once (columns by position).
    std::vector<QVariantList> select(const QString& sql, const QVariantList& values = {});
    // A reader that keeps streaming the result of run() says so; it lets go
    // when it has read its last row or is closed.
    void holdOpenResult(OpenResult* reader) { m_openResult = reader; }
    void releaseOpenResult(const OpenResult* reader);

    bool isEmbedded() const { return m_embedded; }
    // The embedded engine's file, canonical ("" for SQL Server or when closed).
    const QString& embeddedFile() const { return m_file; }
    // The engine's own handle of an open embedded connection, else null. Valid
    // while this connection stays open.
    sqlite3* embeddedHandle() const;
    const ConnectionSpec& keys() const { return m_keys; }
    // The Qt connection behind this one; valid while open. Statements go
    // through run(), which keeps to one open result.
    QSqlDatabase database() const;
    // Expires when this object is destroyed: recordsets keep it to know
    // whether their connection is still there.
    std::weak_ptr<const void> lifetime() const { return m_lifetime; }

private:
    void takeInOpenResult();

    QString m_name; // Qt connection name, unique per object
    QSqlDatabase m_db;
    ConnectionSpec m_keys;
    bool m_embedded = false;
    QString m_file;
    int m_loginTimeout = kDefaultLoginTimeoutSeconds;
    OpenResult* m_openResult = nullptr;
    // Let go before the handle closes: the engine closes none with statements left.
    std::shared_ptr<EmbeddedStatements> m_statements;
    std::shared_ptr<const void> m_lifetime = std::make_shared<int>(0);
};

} // namespace corvane::db

#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace corvane::db {

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
// taken as they stand (the program inserts them without quoting).
ConnectionSpec parseConnectionString(const QString& connectionString);

// True when the data source names the embedded engine ("sqlite:<folder>").
bool isEmbeddedDataSource(const QString& dataSource);

// One database connection, as an ADO Connection is used by the program.
//  - "Data Source=sqlite:<folder>" opens <folder>/<DATABASE>.db (a trailing
//    ",<port>" ignored); a missing file is a connection failure. Every such
//    connection carries the INFORMATION_SCHEMA layer.
//  - anything else is SQL Server through QODBC and the driver named by
//    CORVANE_ODBC_DRIVER (FreeTDS by default).
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

    bool isEmbedded() const { return m_embedded; }
    const ConnectionSpec& keys() const { return m_keys; }
    // The Qt connection behind this one; valid while open.
    QSqlDatabase database() const;
    // Expires when this object is destroyed: recordsets keep it to know
    // whether their connection is still there.
    std::weak_ptr<const void> lifetime() const { return m_lifetime; }

private:
    QString m_name; // Qt connection name, unique per object
    QSqlDatabase m_db;
    ConnectionSpec m_keys;
    bool m_embedded = false;
    int m_loginTimeout = kDefaultLoginTimeoutSeconds;
    std::shared_ptr<const void> m_lifetime = std::make_shared<int>(0);
};

} // namespace corvane::db

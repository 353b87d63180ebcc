#pragma once

#include "hostprocess.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>

namespace corvane::test {

// One answer of the TDS test server: a statement (exact text or a regular
// expression over the whole text) and what it gets back.
class TdsRule
{
public:
    static TdsRule exact(const QString& sql);
    static TdsRule like(const QString& regex);

    // A result set: column names with SQL Server type names ("int",
    // "nvarchar(50)", "decimal(18,4)", "varchar(max)", ...), then its rows.
    // Values: null QVariant = NULL; dates as ISO text.
    TdsRule& columns(const QList<QPair<QString, QString>>& columns);
    TdsRule& row(const QVariantList& values);
    TdsRule& rowCount(int rows);
    TdsRule& error(int number, const QString& text, int severity = 16, int state = 1);
    // Only for a parameterised statement with these values, written as the
    // transcript shows them ("1001", "'Clienti'", "N'x'", "NULL").
    TdsRule& values(const QStringList& shown);
    // Only once a statement matching the regular expression has arrived.
    TdsRule& after(const QString& regex);
    TdsRule& times(int count);

    QJsonObject json() const { return m_json; }

private:
    QJsonObject m_json;
};

// One request as the server received it.
struct TdsRequest
{
    int connection = 0;
    QString kind; // login, batch, rpc, attention; "unexpected:..." when no rule fitted
    QString proc; // for rpc: sp_prepexec, sp_executesql, sp_execute, sp_unprepare
    QString text;
    QString params;     // the declared parameters of an RPC
    QStringList values; // for a login: "app=<name>", "tds=<version>"
    QString answer;
    bool session = false; // said by the client stack itself, not the program
};

// tests/support/tdsserver.py on a loopback port, answering from its rules.
// Stopped when destroyed.
class TdsTestServer
{
public:
    TdsTestServer();
    ~TdsTestServer();
    TdsTestServer(const TdsTestServer&) = delete;
    TdsTestServer& operator=(const TdsTestServer&) = delete;

    // Logins the server accepts (user -> password); none set: any login.
    void setLogins(const QMap<QString, QString>& logins);
    // Databases a login may name; none set: any.
    void setDatabases(const QStringList& databases);
    // Replaces the rules; the running server reads them before its next answer.
    void setRules(const QList<TdsRule>& rules);
    void addRules(const QList<TdsRule>& rules);

    // Starts on a free port of 127.0.0.1.
    bool start();
    // Starts on port 1433 of a free loopback address (127.x.y.z), where a data
    // source without a port, or with ",1433", reaches it.
    bool startOnDefaultPort();
    QString host() const { return m_host; }
    int port() const { return m_port; }
    // "host,port", as conf.ini's first line takes it.
    QString dataSource() const;
    QString errors() const;

    // What arrived, in order; the client stack's own session statements only when asked.
    QList<TdsRequest> requests(bool withSession = false) const;
    // The requests as readable text, one block per request (see renderTranscript).
    QString transcript(bool withSession = false) const;
    // Statements no rule fitted, with their text.
    QStringList unexpected() const;
    // Forgets what has arrived so far.
    void clearTranscript();

private:
    bool launch(const QString& host, int port);
    void writeScript();

    QTemporaryDir m_dir;
    QJsonObject m_script;
    QList<TdsRule> m_rules;
    HostProcess m_process;
    QString m_host;
    int m_port = 0;
    QString m_errors;
};

// The rendering of transcript(): "[conn] kind -> answer" and the text indented
// below it, CR LF as line breaks and trailing blanks shown as "·".
QString renderTranscript(const QList<TdsRequest>& requests);

} // namespace corvane::test

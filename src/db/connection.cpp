#include "connection.h"

#include "embeddedbatch.h"
#include "informationschema.h"
#include "providererror.h"

#include <QAtomicInteger>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace corvane::db {

namespace {

const QString kEmbeddedPrefix = QStringLiteral("sqlite:");
constexpr int kDefaultServerPort = 1433;

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("corvane-connection-%1").arg(counter.fetchAndAddRelaxed(1));
}

// "host,port" -> host and port; the port stays empty when none is given.
std::pair<QString, QString> splitHostPort(const QString& dataSource)
{
    const qsizetype comma = dataSource.lastIndexOf(u',');
    if (comma < 0) return {dataSource.trimmed(), QString()};
    return {dataSource.left(comma).trimmed(), dataSource.mid(comma + 1).trimmed()};
}

// The embedded folder: a trailing ",<port>" (as the reference string carries) is not part of it.
QString embeddedFolder(const QString& dataSource)
{
    QString folder = dataSource.mid(kEmbeddedPrefix.size());
    const qsizetype comma = folder.lastIndexOf(u',');
    if (comma >= 0) {
        bool numeric = false;
        folder.mid(comma + 1).trimmed().toInt(&numeric);
        if (numeric) folder.truncate(comma);
    }
    return folder;
}

QString odbcDriverName()
{
    const QString configured = qEnvironmentVariable("CORVANE_ODBC_DRIVER").trimmed();
    if (!configured.isEmpty()) return configured;
#ifdef Q_OS_WIN
    return QStringLiteral("ODBC Driver 18 for SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

// ODBC connection string values with separators in them go between braces.
QString odbcValue(QString value)
{
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') &&
        value == value.trimmed())
        return value;
    return u'{' + value.replace(u'}', QStringLiteral("}}")) + u'}';
}

// SQLOLEDB's names for the machine itself, which the ODBC drivers do not know.
QString serverHost(const QString& host)
{
    if (host == u"." || host.compare(u"(local)", Qt::CaseInsensitive) == 0)
        return QStringLiteral("localhost");
    return host;
}

QString odbcConnectionString(const ConnectionSpec& keys)
{
    const QString driver = odbcDriverName();
    QString text = QStringLiteral("DRIVER={%1};").arg(driver);
    if (driver.startsWith(u"SQLite", Qt::CaseInsensitive)) {
        // The SQLite ODBC driver takes the file as DATABASE; never create one.
        return text + QStringLiteral("DATABASE=%1;NoCreat=1;").arg(odbcValue(keys.database));
    }
    auto [host, port] = splitHostPort(keys.dataSource);
    host = serverHost(host);
    // A named instance is found through the server's browser service, not a fixed port.
    if (port.isEmpty() && !host.contains(u'\\')) port = QString::number(kDefaultServerPort);
    if (driver.contains(u"FreeTDS", Qt::CaseInsensitive)) {
        text += QStringLiteral("SERVER=%1;").arg(odbcValue(host));
        if (!port.isEmpty()) text += QStringLiteral("PORT=%1;").arg(odbcValue(port));
        // A fixed protocol version: with "auto" FreeTDS retries versions against a
        // silent server and never honours the login timeout. 7.2 is SQL Server
        // 2005's, which every later server still accepts.
        text += QStringLiteral("TDS_Version=7.2;");
    } else {
        text +=
            QStringLiteral("SERVER=%1;").arg(odbcValue(port.isEmpty() ? host : host + u',' + port));
    }
    return text +
           QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;")
               .arg(odbcValue(keys.database), odbcValue(keys.user), odbcValue(keys.password));
}

} // namespace

ConnectionSpec parseConnectionString(const QString& connectionString)
{
    ConnectionSpec keys;
    const QStringList pairs = connectionString.split(u';');
    for (const QString& pair : pairs) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0) continue;
        const QString key = pair.left(equals).trimmed().toLower();
        const QString value = pair.mid(equals + 1);
        if (key == u"provider")
            keys.provider = value;
        else if (key == u"data source")
            keys.dataSource = value;
        else if (key == u"uid" || key == u"user id")
            keys.user = value;
        else if (key == u"pwd")
            keys.password = value;
        else if (key == u"database")
            keys.database = value;
    }
    return keys;
}

bool isEmbeddedDataSource(const QString& dataSource)
{
    return dataSource.startsWith(kEmbeddedPrefix, Qt::CaseInsensitive);
}

Connection::Connection() = default;

Connection::~Connection()
{
    Close();
}

int Connection::State() const
{
    return m_db.isValid() && m_db.isOpen() ? adStateOpen : adStateClosed;
}

void Connection::Open(const QString& connectionString, const QString&, const QString&, int)
{
    if (State() == adStateOpen) throwAdoError(adoerr::ObjectOpen);
    Close();
    m_keys = parseConnectionString(connectionString);
    m_embedded = isEmbeddedDataSource(m_keys.dataSource);
    m_name = uniqueConnectionName();
    if (m_embedded) {
        installInformationSchema();
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        const QString file = QDir(embeddedFolder(m_keys.dataSource))
                                 .absoluteFilePath(m_keys.database + QStringLiteral(".db"));
        // mode=rw: a missing file is the engine's own "unable to open" failure,
        // never a new empty database.
        QUrl uri = QUrl::fromLocalFile(file);
        uri.setQuery(QStringLiteral("mode=rw"));
        m_db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    } else {
        // The SQLite ODBC driver is an engine too: give it the same layer.
        installInformationSchema();
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
        m_db.setDatabaseName(odbcConnectionString(m_keys));
        m_db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_loginTimeout));
    }
    if (!m_db.open()) {
        const QSqlError error = m_db.lastError();
        Close();
        throwProviderError(error);
    }
}

void Connection::Close()
{
    if (m_name.isEmpty()) return;
    if (m_db.isValid()) m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

void Connection::Execute(const QString& sql)
{
    if (State() != adStateOpen) throwAdoError(adoerr::ObjectClosed);
    const QStringList statements = m_embedded ? splitEmbeddedBatch(sql) : QStringList{sql};
    for (const QString& statement : statements) {
        QSqlQuery query(m_db);
        if (!query.exec(statement)) throwProviderError(query.lastError());
    }
}

QSqlDatabase Connection::database() const
{
    return m_db;
}

} // namespace corvane::db

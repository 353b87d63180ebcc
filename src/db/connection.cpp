#include "connection.h"

#include "base/system.h"
#include "connection_statements.h"
#include "embeddedbatch.h"
#include "informationschema.h"
#include "odbcvalues.h"
#include "providererror.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <utility>

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
    return sys::defaultOdbcDriver();
}

// A connection string value with separators in it goes between braces. The
// Windows driver manager hands the string to the driver, which reads "}}" as
// one brace, as ODBC defines; unixODBC takes the braced value apart itself and
// passes it on as it stands, so there a brace is not doubled (and a value
// holding "};" cannot be passed at all).
QString odbcValue(QString value)
{
    if (!value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') &&
        value == value.trimmed())
        return value;
#ifdef Q_OS_WIN
    value.replace(u'}', QStringLiteral("}}"));
#endif
    return u'{' + value + u'}';
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
    text += QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;")
                .arg(odbcValue(keys.database), odbcValue(keys.user), odbcValue(keys.password));
    // What the driver needs beyond this, e.g. "TrustServerCertificate=yes" for
    // Microsoft's Driver 18 against a server with a self-signed certificate.
    const QString options = qEnvironmentVariable("CORVANE_ODBC_OPTIONS").trimmed();
    if (!options.isEmpty()) text += options.endsWith(u';') ? options : options + u';';
    return text;
}

// The field a connection string key fills; null for a key the program never writes.
QString* keyField(ConnectionSpec& keys, const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == u"provider") return &keys.provider;
    if (key == u"data source") return &keys.dataSource;
    if (key == u"uid" || key == u"user id") return &keys.user;
    if (key == u"pwd") return &keys.password;
    if (key == u"database") return &keys.database;
    return nullptr;
}

// A NUL cuts a file name or a driver's connection string short: the engine
// would open an empty temporary database, the driver some other server.
void refuseControlCharacters(const ConnectionSpec& keys)
{
    const std::pair<const QString*, const char*> values[] = {{&keys.dataSource, "data source"},
                                                             {&keys.database, "database name"}};
    for (const auto& [value, what] : values) {
        for (const QChar c : *value) {
            if (c.category() != QChar::Other_Control) continue;
            throwProviderError(
                QStringLiteral("Invalid connection string: the %1 holds the control character U+%2")
                    .arg(QLatin1String(what),
                         QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0')));
        }
    }
}

} // namespace

ConnectionSpec parseConnectionString(const QString& connectionString)
{
    ConnectionSpec keys;
    QString* value = nullptr;
    const QStringList pieces = connectionString.split(u';');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        const qsizetype equals = piece.indexOf(u'=');
        QString* target = equals < 0 ? nullptr : keyField(keys, piece.left(equals));
        if (target) {
            value = target;
            *value = piece.mid(equals + 1);
        } else if (value && !(i == pieces.size() - 1 && piece.isEmpty())) {
            // Not a key of ours: the value before went on past a semicolon.
            *value += u';' + piece;
        }
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
    refuseControlCharacters(m_keys);
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
        throwProviderError(openFailureText(providerText(error)));
    }
    if (m_embedded) {
        m_file = QFileInfo(QDir(embeddedFolder(m_keys.dataSource))
                               .absoluteFilePath(m_keys.database + QStringLiteral(".db")))
                     .canonicalFilePath();
        m_statements = std::make_shared<EmbeddedStatements>(embeddedHandle());
    }
}

void Connection::Close()
{
    if (m_name.isEmpty()) return;
    takeInOpenResult();
    m_statements.reset();
    if (m_db.isValid()) m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    m_file.clear();
}

void Connection::Execute(const QString& sql)
{
    if (State() != adStateOpen) throwAdoError(adoerr::ObjectClosed);
    const QStringList statements = m_embedded ? splitEmbeddedBatch(sql) : QStringList{sql};
    for (const QString& statement : statements)
        run(statement);
}

std::unique_ptr<QSqlQuery> Connection::run(const QString& sql, const QVariantList& values)
{
    if (State() != adStateOpen) throwAdoError(adoerr::ObjectClosed);
    takeInOpenResult();
    auto query = std::make_unique<QSqlQuery>(m_db);
    // Forward-only: a scrollable result would make the driver open a server
    // cursor for every statement, DDL included.
    query->setForwardOnly(true);
    if (values.isEmpty()) {
        if (!query->exec(sql)) throwProviderError(query->lastError());
        return query;
    }
    if (!query->prepare(sql)) throwProviderError(query->lastError());
    for (const QVariant& value : values)
        query->addBindValue(value);
    if (!query->exec()) throwProviderError(query->lastError());
    return query;
}

std::unique_ptr<EmbeddedRows> Connection::start(const QString& sql, const QVariantList& values)
{
    if (State() != adStateOpen) throwAdoError(adoerr::ObjectClosed);
    if (!m_statements) return nullptr;
    takeInOpenResult();
    return m_statements->start(sql, values);
}

std::vector<QVariantList> Connection::select(const QString& sql, const QVariantList& values)
{
    const std::unique_ptr<QSqlQuery> query = run(sql, values);
    std::vector<QVariantList> rows;
    const QSqlRecord record = query->record();
    while (query->next())
        rows.push_back(this->values(*query, record));
    if (query->lastError().isValid()) throwProviderError(query->lastError());
    return rows;
}

QVariantList Connection::values(const QSqlQuery& query, const QSqlRecord& record) const
{
    if (!m_embedded) return odbcRowValues(query, record);
    QVariantList row;
    row.reserve(record.count());
    for (int i = 0; i < record.count(); ++i)
        row << (query.isNull(i) ? QVariant() : query.value(i));
    return row;
}

void Connection::releaseOpenResult(const OpenResult* reader)
{
    if (m_openResult == reader) m_openResult = nullptr;
}

void Connection::takeInOpenResult()
{
    OpenResult* reader = std::exchange(m_openResult, nullptr);
    if (reader) reader->takeInRemainingRows();
}

sqlite3* Connection::embeddedHandle() const
{
    if (!m_embedded || State() != adStateOpen) return nullptr;
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

QSqlDatabase Connection::database() const
{
    return m_db;
}

} // namespace corvane::db

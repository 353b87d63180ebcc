#include "world.h"

#include "support/loopback.h"
#include "support/testdb.h"
#include "support/testfiles.h"

#include <QDir>
#include <stdexcept>

namespace corvane::test {

namespace {
const QString kExecuted = QStringLiteral("Cmd_Click: executed: ");
} // namespace

void RecordingLog::record(const QString& line)
{
    lines << line;
    if (onRecord) onRecord();
}

QStringList RecordingLog::executed() const
{
    QStringList statements;
    for (const QString& line : lines)
        if (line.startsWith(kExecuted)) statements << line.mid(kExecuted.size());
    return statements;
}

TestFolder::TestFolder()
{
    if (!dir.isValid()) throw std::runtime_error("no temporary folder");
}

QString TestFolder::server() const
{
    return QStringLiteral("sqlite:") + dir.path();
}

void TestFolder::run(const QString& name, const QString& sql) const
{
    runSqlScript(dir.path(), name, sql);
}

QStringList TestFolder::rows(const QString& name, const QString& sql) const
{
    return queryRows(dir.path(), name, sql);
}

QString TestFolder::connectionString(const QString& name) const
{
    return embeddedConnectionString(dir.path(), name);
}

std::unique_ptr<db::Connection> TestFolder::open(const QString& name) const
{
    auto connection = std::make_unique<db::Connection>();
    connection->Open(connectionString(name));
    return connection;
}

void TestFolder::useSettings(GlobalState& g) const
{
    g.ReferenceServer = g.LocalServer = server();
    g.ReferenceUser = g.LocalUser = QStringLiteral("sa");
    g.ReferencePassword = g.LocalPassword = QStringLiteral("");
    g.ReferenceDatabase = kReferenceDatabase;
    g.LocalDatabase = kLocalDatabase;
    g.ReferenceConnectionString = connectionString(kReferenceDatabase);
    g.LocalConnectionString = connectionString(kLocalDatabase);
}

void TestFolder::connect(GlobalState& g, FormState& form) const
{
    g.LocalConnection = open(kLocalDatabase);
    g.ReferenceConnection = open(kReferenceDatabase);
    form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));
}

void useClosedUpdateServer()
{
    qputenv("CORVANE_FTP_HOST", QStringLiteral("127.0.0.1:%1").arg(closedLoopbackPort()).toUtf8());
}

QString versionTables(const QString& version)
{
    QString sql = readTestSource(QStringLiteral("support/version_tables.sql"));
    if (!version.isEmpty())
        sql += QStringLiteral("INSERT INTO Parametri VALUES (1, 'Versione', '%1', NULL);")
                   .arg(version);
    return sql;
}

void writeProgramFolder(const QString& folder)
{
    writeConfIni(folder, embeddedConfIni(folder, kLocalDatabase).toUtf8());
    runSqlScript(folder, kLocalDatabase, versionTables(QStringLiteral("3.1")));
    runSqlScript(folder, kReferenceDatabase, versionTables(QStringLiteral("3.1")));
}

void writeConfIni(const QString& folder, const QByteArray& bytes)
{
    writeFile(QDir(folder).filePath(QStringLiteral("conf.ini")), bytes);
}

} // namespace corvane::test

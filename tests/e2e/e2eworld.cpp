#include "e2eworld.h"

#include "support/hostprocess.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

namespace corvane::e2e {

using corvane::test::readFile;
using corvane::test::writeFile;

void makeExe(const QString& path, const QString& version)
{
    const QString built = corvane::test::buildPe(
        path, QStringLiteral("pe32"),
        {QStringLiteral("--file-version"), version, QStringLiteral("--product-version"), version});
    QVERIFY2(built.isEmpty(), qPrintable(built));
}

QList<QJsonObject> Run::eventsOf(const QString& kind) const
{
    QList<QJsonObject> found;
    for (const QJsonObject& e : events)
        if (e[QLatin1String("event")].toString() == kind) found << e;
    return found;
}

QStringList Run::boxTexts() const
{
    QStringList texts;
    for (const QJsonObject& e : eventsOf(QStringLiteral("msgbox")))
        texts << e[QLatin1String("text")].toString();
    return texts;
}

QJsonObject Run::label(const char* name) const
{
    return end()[QLatin1String("state")].toObject()[QLatin1String(name)].toObject();
}

QJsonArray Run::redRows() const
{
    return end()[QLatin1String("state")].toObject()[QLatin1String("redRows")].toArray();
}

World::World()
{
    program = dir.filePath("program");
    reference = dir.filePath("reference");
    ftpFolder = dir.filePath("ftp/distributori/CORVANE");
    QDir().mkpath(program);
    QDir().mkpath(reference);
    QDir().mkpath(ftpFolder);
    const QString data = QStringLiteral(CORVANE_DEMO_DATA);
    const QString lookup = QString::fromUtf8(readFile(data + "/lookup.sql"));
    auto script = [&](const QString& file) {
        return QString::fromUtf8(readFile(data + "/" + file)).replace(".read lookup.sql", lookup);
    };
    corvane::test::runSqlScript(program, kLocalName, script("local.sql"));
    corvane::test::runSqlScript(reference, kReferenceName, script("reference.sql"));
    QVERIFY(QFile::copy(QStringLiteral(CORVANE_UPDATE_BINARY), program + '/' + binaryName()));
    writeFile(program + "/conf.ini",
              QStringLiteral("sqlite:%1\r\nsa\r\n\r\n-\r\nBellini\r\n").arg(program).toUtf8());
    makeExe(program + "/Corvane.exe", "2,0,0,14");
    makeExe(ftpFolder + "/CORVANE.EXE", "2,0,0,15");
    writeFile(ftpFolder + "/VERSIONE.TXT", "2.0.15\r\n");
}

void World::startFtp(const QStringList& extra)
{
    ftp = std::make_unique<corvane::test::FtpTestServer>(dir.filePath("ftp"), extra);
    QVERIFY2(ftp->start(), qPrintable(ftp->errors()));
}

QProcessEnvironment World::environment(const QString& referenceHost) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    // Wine without a display of its own has no cursors or windows for Qt's
    // Windows platform to make; "/Q" shows nothing, so the offscreen one serves.
    if (corvane::test::underWine()) env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("CORVANE_REFERENCE_HOST",
               referenceHost.isEmpty() ? "sqlite:" + reference : referenceHost);
    // Without a server of its own a run meets a port nobody listens on.
    env.insert("CORVANE_FTP_HOST", ftp ? ftp->hostAndPort() : QStringLiteral("127.0.0.1:1"));
    return env;
}

QString binaryName()
{
    return QFileInfo(QStringLiteral(CORVANE_UPDATE_BINARY)).fileName();
}

void World::start(QProcess& p, const QStringList& arguments, const QString& referenceHost) const
{
    if (p.processEnvironment().isEmpty()) p.setProcessEnvironment(environment(referenceHost));
    p.setWorkingDirectory(program);
    p.start(program + '/' + binaryName(), arguments);
}

Run World::finish(QProcess& p, int timeoutMs)
{
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errors = p.readAllStandardError();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty()) r.events << QJsonDocument::fromJson(line).object();
    return r;
}

Run World::run(const QStringList& arguments, const QString& referenceHost) const
{
    QProcess p;
    start(p, arguments, referenceHost);
    return finish(p);
}

void World::extend(const QString& referenceSql, const QString& localSql) const
{
    if (!referenceSql.isEmpty())
        corvane::test::runSqlScript(reference, kReferenceName,
                                    "BEGIN;" + referenceSql + ";COMMIT;");
    if (!localSql.isEmpty())
        corvane::test::runSqlScript(program, kLocalName, "BEGIN;" + localSql + ";COMMIT;");
}

void World::publishSameProgram() const
{
    makeExe(ftpFolder + "/CORVANE.EXE", "2,0,0,14");
    writeFile(ftpFolder + "/VERSIONE.TXT", "2.0.14\r\n");
}

QStringList World::localRows(const QString& sql) const
{
    return corvane::test::queryRows(program, kLocalName, sql);
}

QString World::localVersion() const
{
    return corvane::test::queryRows(program, kLocalName,
                                    "SELECT Valore FROM Parametri WHERE IDParametro = 1")
        .value(0);
}

QStringList World::localObjects() const
{
    return corvane::test::queryRows(program, kLocalName,
                                    "SELECT name FROM sqlite_schema WHERE type IN ('table','view') "
                                    "AND name NOT LIKE 'sqlite_%' ORDER BY name");
}

QByteArray World::runLog() const
{
    return readFile(program + QStringLiteral("/CorvaneUpdate.log"));
}

QByteArray World::localDump() const
{
    const corvane::test::HostRun dump = corvane::test::runOnHost(
        QStringLiteral("sqlite3"),
        {corvane::test::hostPath(program + "/" + kLocalName + ".db"), QStringLiteral(".dump")},
        30000);
    return dump.finished && dump.exitCode == 0 ? dump.out : QByteArray();
}

} // namespace corvane::e2e

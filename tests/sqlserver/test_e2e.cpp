// The real program, "/A /Q", on SQL Server: its local and reference data
// sources are two TDS test servers playing a Corvane database one release
// behind, and the FTP test server publishes the program version it already has.
#include "corvanedatabase.h"
#include "sqlservertesthelpers.h"
#include "sqlserverworld.h"
#include "support/ftptestserver.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane::test;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kAlreadyUpToDate = QStringLiteral(
    "Il Programma è Già Aggiornato all'Ultima Versione!!\r\n\r\nContinuare ugualmente?");

struct Run
{
    int exit = -1;
    QList<QJsonObject> events;
    QStringList boxes() const
    {
        QStringList texts;
        for (const QJsonObject& e : events)
            if (e[QLatin1String("event")].toString() == u"msgbox")
                texts << e[QLatin1String("text")].toString();
        return texts;
    }
    QJsonObject state() const
    {
        return events.isEmpty() ? QJsonObject() : events.last()[QLatin1String("state")].toObject();
    }
};

// A program folder whose conf.ini names the local server, Corvane.exe at the
// published version, the FTP root publishing it.
struct ProgramRun
{
    QTemporaryDir dir;
    TdsTestServer reference;
    TdsTestServer local;
    std::unique_ptr<FtpTestServer> ftp;

    QString program() const { return dir.filePath(QStringLiteral("program")); }

    bool prepare(const QString& failOn = QString())
    {
        const QString published = dir.filePath(QStringLiteral("ftp/distributori/CORVANE"));
        if (!QDir().mkpath(program()) || !QDir().mkpath(published)) return false;
        reference.setLogins({{QStringLiteral("sa"), QStringLiteral("Harbor42")}});
        reference.setRules(referenceRules());
        local.setLogins({{QStringLiteral("sa"), kLocalPassword}});
        local.setRules(localRules(failOn));
        // The program appends ",1433" to the reference host.
        if (!reference.startOnDefaultPort() || !local.start()) return false;
        ftp = std::make_unique<FtpTestServer>(dir.filePath(QStringLiteral("ftp")));
        if (!ftp->start()) return false;
        writeFile(program() + QStringLiteral("/conf.ini"),
                  QStringLiteral("%1\r\nsa\r\n%2\r\n-\r\n%3\r\n")
                      .arg(local.dataSource(), kLocalPassword, kLocalDatabase)
                      .toUtf8());
        writeFile(published + QStringLiteral("/VERSIONE.TXT"), "2.0.15\r\n");
        // The program already has the published version: nothing to fetch.
        return QFile::copy(QStringLiteral(CORVANE_UPDATE_BINARY),
                           program() + QStringLiteral("/corvane-update")) &&
               buildPe(program() + QStringLiteral("/Corvane.exe"), QStringLiteral("pe32"),
                       {QStringLiteral("--file-version"), QStringLiteral("2,0,0,15")})
                   .isEmpty() &&
               QFile::copy(program() + QStringLiteral("/Corvane.exe"),
                           published + QStringLiteral("/CORVANE.EXE"));
    }

    Run run()
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("CORVANE_REFERENCE_HOST"), reference.host());
        env.insert(QStringLiteral("CORVANE_FTP_HOST"), ftp->hostAndPort());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(program());
        p.start(program() + QStringLiteral("/corvane-update"),
                {QStringLiteral("/A"), QStringLiteral("/Q")});
        Run r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exit = p.exitCode();
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (!line.trimmed().isEmpty()) r.events << QJsonDocument::fromJson(line).object();
        return r;
    }

    QString transcripts() const
    {
        return withoutToday(QStringLiteral("== reference\n") + reference.transcript() +
                            QStringLiteral("== local\n") + local.transcript());
    }
};

} // namespace

class TestTdsEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void automaticRunUpdatesTheDatabase();
    void serverErrorOnACreateEndsWithTheErrorBoxes();
};

void TestTdsEndToEnd::automaticRunUpdatesTheDatabase()
{
    ProgramRun world;
    QVERIFY2(world.prepare(), qPrintable(world.reference.errors() + world.local.errors()));
    const Run r = world.run();
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.boxes(), (QStringList{kAlreadyUpToDate, kSuccess}));
    const QJsonObject state = r.state();
    QCOMPARE(state[QLatin1String("lblConnesso")].toObject()[QLatin1String("caption")].toString(),
             QStringLiteral("DB Connesso"));
    QCOMPARE(state[QLatin1String("lblBDLocale")].toObject()[QLatin1String("caption")].toString(),
             QStringLiteral("2.1"));
    QCOMPARE(state[QLatin1String("lblBDLocale")].toObject()[QLatin1String("colour")].toInt(),
             65280);
    QVERIFY(state[QLatin1String("redRows")].toArray().isEmpty());
    QCOMPARE(world.reference.unexpected() + world.local.unexpected(), QStringList());
    QCOMPARE_GOLDEN(world.transcripts(), QStringLiteral("e2e_run.txt"));
}

void TestTdsEndToEnd::serverErrorOnACreateEndsWithTheErrorBoxes()
{
    ProgramRun world;
    QVERIFY(world.prepare(QStringLiteral(R"(CREATE TABLE \[dbo\]\.\[Commesse\] .*)")));
    const Run r = world.run();
    QCOMPARE(r.exit, 1);
    const QStringList boxes = r.boxes();
    QCOMPARE(boxes.size(), 3);
    QCOMPARE(boxes.at(1),
             QStringLiteral("ERRORE !!\r\n\r\n-2147467259 -- [FreeTDS][SQL Server]There is "
                            "already an object named 'Commesse' in the database."));
    QVERIFY(boxes.at(2).startsWith(QStringLiteral("CREATE TABLE [dbo].[Commesse] (\r\n")));
    QVERIFY(!boxes.contains(kSuccess));
    QVERIFY(!world.local.transcript().contains(QLatin1String("Update Parametri SET Valore")));
    QVERIFY(!r.state()[QLatin1String("redRows")].toArray().isEmpty());
}

QTEST_GUILESS_MAIN(TestTdsEndToEnd)
#include "test_e2e.moc"

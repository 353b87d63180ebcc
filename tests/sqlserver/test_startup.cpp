// The start-up sequence and the database version check on SQL Server: the
// connections the program opens, what it reads and the update-log row it
// writes, and the boxes of a refused login, with the server's own words.
#include "app/mainwindow.h"
#include "corvanedatabase.h"
#include "dbversion/dbversion.h"
#include "sqlservertesthelpers.h"
#include "sqlserverworld.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kFtpUnreachable = QStringLiteral("Server FTP non trovato!");

// A program folder whose conf.ini names the local test server; the reference
// server listens on port 1433 of its own loopback address.
struct ProgramFolder
{
    SqlServerWorld world;
    QTemporaryDir dir;
    std::unique_ptr<FormMain> form;

    bool start(const QString& localPassword = QStringLiteral("Ditta!"))
    {
        if (!world.start(true)) return false;
        world.reference.setRules(referenceRules());
        world.local.setRules(localRules());
        world.port.folder = dir.path();
        QFile conf(dir.filePath(QStringLiteral("conf.ini")));
        if (!conf.open(QIODevice::WriteOnly)) return false;
        conf.write(QStringLiteral("%1\r\nsa\r\n%2\r\n-\r\n%3\r\n")
                       .arg(world.local.dataSource(), localPassword, kLocalDatabase)
                       .toUtf8());
        conf.close();
        if (!QFile::copy(QStringLiteral("/bin/true"), dir.filePath(QStringLiteral("Corvane.exe"))))
            return false;
        qputenv("CORVANE_REFERENCE_HOST", world.reference.host().toUtf8());
        qputenv("CORVANE_FTP_HOST", "127.0.0.1:1");
        form = std::make_unique<FormMain>(world.g, world.port, world.log);
        return true;
    }
    // The exit code when the sequence ended the program, -1 otherwise.
    int load()
    {
        try {
            form->Form_Load();
        } catch (const ProgramEnded& e) {
            return e.exitCode;
        }
        return -1;
    }
};

} // namespace

class TestTdsStartup : public QObject
{
    Q_OBJECT
private slots:
    void connectsReadsAndLogs();
    void secondCheckUpdatesTheLogRow();
    void localLoginRefused();
    void referenceLoginRefusedInAutomaticMode();
};

void TestTdsStartup::connectsReadsAndLogs()
{
    ProgramFolder p;
    QVERIFY2(p.start(), qPrintable(p.world.reference.errors() + p.world.local.errors()));
    p.world.port.expectBox(kFtpUnreachable);
    QCOMPARE(p.load(), -1);
    QVERIFY2(p.world.port.allBoxesAsExpected(), qPrintable(p.world.port.explain()));
    QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Connesso"));
    QCOMPARE(p.form->lblBDLocale.caption(), QStringLiteral("2.0"));
    QCOMPARE(p.form->lblDBDashmoor.caption(), QStringLiteral("2.1"));
    QCOMPARE(p.form->lblBDLocale.foreColour(), colour::Red);
    // The program's ",1433" reached the reference on its own address.
    QCOMPARE(p.world.g.ReferenceServer, p.world.reference.host() + QStringLiteral(",1433"));
    QCOMPARE(p.world.unexpected(), QStringList());
    QCOMPARE_GOLDEN(p.world.transcripts(), QStringLiteral("startup.txt"));
}

// The log row found by the customer's name is updated in place; the name's
// quote is doubled in the query only.
void TestTdsStartup::secondCheckUpdatesTheLogRow()
{
    SqlServerWorld w;
    QVERIFY(w.start());
    w.reference.setRules(referenceRules());
    w.local.setRules(localRules());
    w.connect();
    CheckDatabaseVersion(w.ctx);
    w.reference.clearTranscript();
    w.local.clearTranscript();
    CheckDatabaseVersion(w.ctx);
    QCOMPARE(w.unexpected(), QStringList());
    QCOMPARE_GOLDEN(w.transcripts(), QStringLiteral("dbversion_second.txt"));
}

void TestTdsStartup::localLoginRefused()
{
    ProgramFolder p;
    QVERIFY(p.start(QStringLiteral("ditta!")));
    p.world.port.expectBox(QStringLiteral(
        "Errore di comunicazione con il database\r\n[FreeTDS][SQL Server]Unable to connect to data "
        "source [FreeTDS][SQL Server]Login failed for user 'sa'.\r\n16\r\n-2147467259"));
    QCOMPARE(p.load(), 2);
    QVERIFY2(p.world.port.allBoxesAsExpected(), qPrintable(p.world.port.explain()));
    QCOMPARE(p.world.local.transcript(), QStringLiteral("[1] login sa@Bellini -> error 18456\n"));
    QCOMPARE(p.world.reference.transcript(), QString());
}

void TestTdsStartup::referenceLoginRefusedInAutomaticMode()
{
    ProgramFolder p;
    QVERIFY(p.start());
    p.world.reference.setLogins({{QStringLiteral("sa"), QStringLiteral("altra")}});
    p.world.port.arguments = {QStringLiteral("/A")};
    p.world.port.expectBox(QStringLiteral("Errore Durante la Connessione al Server DASHMOOR"));
    p.world.port.expectBox(QStringLiteral("Impossibile Collegarsi al Server Dashmoor!!"));
    QCOMPARE(p.load(), 2);
    QVERIFY2(p.world.port.allBoxesAsExpected(), qPrintable(p.world.port.explain()));
    QCOMPARE(p.world.reference.transcript(),
             QStringLiteral("[1] login sa@Corvane -> error 18456\n"));
    QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Non Connesso"));
}

QTEST_GUILESS_MAIN(TestTdsStartup)
#include "test_startup.moc"

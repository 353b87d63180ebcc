// The start-up sequence and the database version check on SQL Server: the
// connections the program opens, what it reads and the update-log row it
// writes, and the boxes of a refused login, with the server's own words.
#include "app/mainwindow.h"
#include "corvanedatabase.h"
#include "dbversion/dbversion.h"
#include "sqlservertesthelpers.h"
#include "sqlserverworld.h"
#include "support/programworld.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

// A program folder whose conf.ini names the local test server; the reference
// server listens on port 1433 of its own loopback address.
struct SqlServerProgram : ProgramWorld
{
    TdsTestServer reference;
    TdsTestServer local;

    bool start(const QString& localPassword = kLocalPassword)
    {
        reference.setLogins({{QStringLiteral("sa"), QStringLiteral("Harbor42")}});
        local.setLogins({{QStringLiteral("sa"), kLocalPassword}});
        if (!reference.startOnDefaultPort() || !local.start()) return false;
        reference.setRules(referenceRules());
        local.setRules(localRules());
        writeConfIni(QStringLiteral("%1\r\nsa\r\n%2\r\n-\r\n%3\r\n")
                         .arg(local.dataSource(), localPassword, kLocalDatabase)
                         .toUtf8());
        qputenv("CORVANE_REFERENCE_HOST", reference.host().toUtf8());
        return true;
    }
    QString transcripts() const
    {
        return withoutToday(QStringLiteral("== reference\n") + reference.transcript() +
                            QStringLiteral("== local\n") + local.transcript());
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
    SqlServerProgram p;
    QVERIFY2(p.start(), qPrintable(p.reference.errors() + p.local.errors()));
    p.port.expectBox(kFtpUnreachable);
    QCOMPARE(p.load(), -1);
    QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
    QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Connesso"));
    QCOMPARE(p.form->lblBDLocale.caption(), QStringLiteral("2.0"));
    QCOMPARE(p.form->lblDBDashmoor.caption(), QStringLiteral("2.1"));
    QCOMPARE(p.form->lblBDLocale.foreColour(), colour::Red);
    // The program's ",1433" reached the reference on its own address.
    QCOMPARE(p.g.ReferenceServer, p.reference.host() + QStringLiteral(",1433"));
    QCOMPARE(p.reference.unexpected() + p.local.unexpected(), QStringList());
    QCOMPARE_GOLDEN(p.transcripts(), QStringLiteral("startup.txt"));
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
    SqlServerProgram p;
    QVERIFY(p.start(QStringLiteral("ditta!")));
    p.port.expectBox(QStringLiteral(
        "Errore di comunicazione con il database\r\n[FreeTDS][SQL Server]Unable to connect to data "
        "source [FreeTDS][SQL Server]Login failed for user 'sa'.\r\n16\r\n-2147467259"));
    QCOMPARE(p.load(), 2);
    QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
    QCOMPARE(p.local.transcript(), QStringLiteral("[1] login sa@Locale -> error 18456\n"));
    QCOMPARE(p.reference.transcript(), QString());
}

void TestTdsStartup::referenceLoginRefusedInAutomaticMode()
{
    SqlServerProgram p;
    QVERIFY(p.start());
    p.reference.setLogins({{QStringLiteral("sa"), QStringLiteral("altra")}});
    p.port.arguments = {QStringLiteral("/A")};
    p.port.expectBox(QStringLiteral("Errore Durante la Connessione al Server DASHMOOR"));
    p.port.expectBox(QStringLiteral("Impossibile Collegarsi al Server Dashmoor!!"));
    QCOMPARE(p.load(), 2);
    QVERIFY2(p.port.allBoxesAsExpected(), qPrintable(p.port.explain()));
    QCOMPARE(p.reference.transcript(), QStringLiteral("[1] login sa@Corvane -> error 18456\n"));
    QCOMPARE(p.form->lblConnesso.caption(), QStringLiteral("DB Non Connesso"));
}

QTEST_GUILESS_MAIN(TestTdsStartup)
#include "test_startup.moc"

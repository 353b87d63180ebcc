#include "e2eworld.h"
#include "support/hostprocess.h"
#include "support/testfiles.h"
#include "support/testplatform.h"

#include <QFile>
#include <QJsonArray>
#include <QtTest>

using corvane::test::readFile;
using corvane::test::writeFile;
using namespace corvane::e2e;

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void automaticRunBringsEverythingUpToDate()
    {
        World w;
        w.startFtp();
        const Run first = w.run({"/A", "/Q"});
        QCOMPARE(first.exit, 0);
        QCOMPARE(first.end()["event"].toString(), QStringLiteral("end"));
        QVERIFY(
            first.boxTexts().contains(QStringLiteral("Aggiornamento Avvenuto con Successo !!")));
        for (const char* label :
             {"lblBDLocale", "lblDBDashmoor", "lblVerProgLocale", "lblVerProgDashmoor"})
            QCOMPARE(first.label(label)["colour"].toInt(), 65280);
        QCOMPARE(first.label("lblConnesso")["caption"].toString(), QStringLiteral("DB Connesso"));
        QCOMPARE(first.label("lblVerProgLocale")["caption"].toString(), QStringLiteral("2.0.15"));
        QCOMPARE(first.label("lblEsito")["caption"].toString(),
                 QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!"));
        QVERIFY(first.end()["state"].toObject()["redRows"].toArray().isEmpty());
        QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
        QVERIFY(w.localObjects().contains("Commesse"));
        QVERIFY(w.localObjects().contains("VCommesseAperte"));
        QCOMPARE(readFile(w.program + "/Corvane.exe"), readFile(w.ftpFolder + "/CORVANE.EXE"));
        QVERIFY(!QFile::exists(w.program + "/Corvane_Temp.exe"));
        const QByteArray log = readFile(w.program + "/CorvaneUpdate.log");
        QVERIFY(log.contains("ALTER TABLE"));
        QVERIFY(log.contains("end, exit status 0"));

        // A second run finds nothing to do: the program is not fetched again.
        const QByteArray exeBefore = readFile(w.program + "/Corvane.exe");
        const QStringList objectsBefore = w.localObjects();
        const Run second = w.run({"/A", "/Q"});
        QCOMPARE(second.exit, 0);
        QVERIFY(second.boxTexts().contains(QStringLiteral(
            "Il Programma è Già Aggiornato all'Ultima Versione!!\r\n\r\nContinuare ugualmente?")));
        QVERIFY(second.end()["state"].toObject()["redRows"].toArray().isEmpty());
        QCOMPARE(w.localObjects(), objectsBefore);
        QCOMPARE(readFile(w.program + "/Corvane.exe"), exeBefore);
    }

    void unreachableReference()
    {
        World w;
        w.startFtp();
        const QStringList before = w.localObjects();
        const Run r = w.run({"/A", "/Q"}, "sqlite:" + w.dir.filePath("nowhere"));
        QCOMPARE(r.exit, 2);
        QCOMPARE(r.boxTexts(), (QStringList{"Errore Durante la Connessione al Server DASHMOOR",
                                            "Impossibile Collegarsi al Server Dashmoor!!"}));
        QCOMPARE(w.localObjects(), before);
        QCOMPARE(w.localVersion(), QStringLiteral("2.0"));
    }

    void ftpRefusesTheLogin()
    {
        World w;
        w.startFtp({"--password", "something-else"});
        const QByteArray exe = readFile(w.program + "/Corvane.exe");
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 1);
        QVERIFY(r.boxTexts().contains(QStringLiteral("Server FTP non trovato!")));
        QCOMPARE(readFile(w.program + "/Corvane.exe"), exe);
        // The database is still brought up to date.
        QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
    }

    void corvaneIsRunning()
    {
        World w;
        w.startFtp();
        const QString exe = w.program + "/Corvane.exe";
        QFile::remove(exe);
        QVERIFY(QFile::copy(CORVANE_TEST_SLEEPER, exe));
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeUser);
        QProcess running;
        running.start(exe, {"60"});
        QVERIFY(running.waitForStarted());
        const Run r = w.run({"/A", "/Q"});
        running.kill();
        running.waitForFinished();
        QCOMPARE(r.exit, 2);
        QVERIFY(r.boxTexts().last().startsWith(
            QStringLiteral("C'è Corvane Aperto in Qualche Terminale!!")));
        QCOMPARE(readFile(exe), readFile(CORVANE_TEST_SLEEPER));
        QCOMPARE(w.localVersion(), QStringLiteral("2.0"));
    }

    void readOnlyLocalDatabase()
    {
        World w;
        w.startFtp();
        const QString db = w.program + "/Bellini.db";
        const QByteArray before = readFile(db);
        QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ReadUser);
        // Permissions do not hold back root; an immutable file does.
        QFile probe(db);
        const bool stillWritable = probe.open(QIODevice::ReadWrite);
        probe.close();
        if (stillWritable)
            QCOMPARE(
                corvane::test::runOnHost("chattr", {"+i", corvane::test::hostPath(db)}).exitCode,
                0);
        const Run r = w.run({"/A", "/Q"});
        if (stillWritable) corvane::test::runOnHost("chattr", {"-i", corvane::test::hostPath(db)});
        QCOMPARE(r.exit, 1);
        QVERIFY(!r.boxTexts().filter(QStringLiteral("ERRORE !!")).isEmpty());
        QVERIFY(!r.end()["state"].toObject()["redRows"].toArray().isEmpty());
        QCOMPARE(readFile(db), before);
        // The program files are still updated.
        QCOMPARE(readFile(w.program + "/Corvane.exe"), readFile(w.ftpFolder + "/CORVANE.EXE"));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_e2e.moc"

// End-to-end runs of the real executable as an administrator schedules it:
// the switches, the exit statuses, the report at the end, the run log, one
// run per program folder, conf.ini's bytes.
#include "e2eworld.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/testplatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QtTest>

using corvane::test::readFile;
using corvane::test::writeFile;
using namespace corvane::e2e;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");

// A log line of the update run for one statement, as the run log keeps it.
const QString kExecuted = QStringLiteral("Cmd_Click: executed: ");

QStringList executedStatements(const QByteArray& log)
{
    QStringList statements;
    for (const QByteArray& line : log.split('\n')) {
        const QString text = QString::fromUtf8(line);
        const int at = text.indexOf(kExecuted);
        if (at >= 0) statements << text.mid(at + kExecuted.size());
    }
    return statements;
}

// The run log writes a statement on one line, its line breaks as " | ".
QString asLogged(QString sql)
{
    return sql.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
}

// Pads the published executable so that a slow server takes seconds over it.
void padPublishedExe(const World& w, int bytes)
{
    QFile exe(w.ftpFolder + "/CORVANE.EXE");
    QVERIFY(exe.open(QIODevice::Append));
    exe.write(QByteArray(bytes, '\0'));
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs) return false;
        QTest::qWait(50);
    }
    return true;
}

qint64 pidOfLine(const QByteArray& line)
{
    static const QRegularExpression pid(QStringLiteral("^\\S+ \\S+ \\[(\\d+)\\] "));
    const QRegularExpressionMatch m = pid.match(QString::fromUtf8(line));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

} // namespace

class TestEndToEndAdmin : public QObject
{
    Q_OBJECT
private slots:
    // "/Q" alone compares and reports: nothing changes, and it ends.
    void checkOnlyChangesNothing()
    {
        World w;
        w.startFtp();
        const QByteArray dump = w.localDump();
        const QByteArray exe = readFile(w.program + "/Corvane.exe");
        QVERIFY(!dump.isEmpty());

        const Run r = w.run({"/Q"});
        QCOMPARE(r.exit, 3);              // changes pending
        QCOMPARE(r.errors, QByteArray()); // quiet on standard error too
        QVERIFY(r.boxTexts().isEmpty());
        QCOMPARE(w.localDump(), dump);
        QCOMPARE(readFile(w.program + "/Corvane.exe"), exe);
        QVERIFY(!r.redRows().isEmpty());
        QCOMPARE(r.half("database")["verdict"].toString(), QStringLiteral("behind"));
        QCOMPARE(r.half("program")["verdict"].toString(), QStringLiteral("behind"));
        QCOMPARE(r.half("database")["statementsExecuted"].toInt(), 0);
        QCOMPARE(r.half("program")["executableReplaced"].toBool(), false);
        QVERIFY(w.runLog().contains(", check only, quiet\n"));

        // Once everything is up to date the same check ends with 0.
        QCOMPARE(w.run({"/A", "/Q"}).exit, 0);
        const Run after = w.run({"/q"});
        QCOMPARE(after.exit, 0);
        QCOMPARE(after.half("database")["verdict"].toString(), QStringLiteral("up-to-date"));
        QCOMPARE(after.half("program")["verdict"].toString(), QStringLiteral("up-to-date"));
    }

    // "/Q /P" lists, in order, the statements the update would execute: the
    // ones a real run then executes; nothing is executed by the preview.
    void previewListsWhatTheUpdateExecutes()
    {
        World w;
        w.startFtp();
        const QByteArray dump = w.localDump();
        const QByteArray exe = readFile(w.program + "/Corvane.exe");

        const Run preview = w.run({"/Q", "/P"});
        QCOMPARE(preview.exit, 3);
        QCOMPARE(preview.errors, QByteArray());
        QCOMPARE(w.localDump(), dump);
        QCOMPARE(readFile(w.program + "/Corvane.exe"), exe);
        QVERIFY(!preview.boxTexts().contains(kSuccess)); // nothing was updated
        QStringList listed;
        for (const QJsonObject& e : preview.eventsOf(QStringLiteral("statement")))
            listed << asLogged(e["sql"].toString());
        QVERIFY(listed.size() >= 5);
        QVERIFY(listed.last().startsWith(QStringLiteral("Update Parametri SET Valore = '2.1'")));
        QCOMPARE(preview.half("database")["statementsPreviewed"].toInt(), listed.size());
        QCOMPARE(preview.redRows().size(), w.run({"/Q"}).redRows().size());

        const qsizetype logged = w.runLog().size();
        const Run update = w.run({"/A", "/Q"});
        QCOMPARE(update.exit, 0);
        QCOMPARE(executedStatements(w.runLog().mid(logged)), listed);
    }

    // A row that no update can turn green: the run says so with exit 3,
    // though the Part's success box still comes.
    void neverGreenRowGivesExit3()
    {
        World w;
        w.startFtp();
        corvane::test::runSqlScript(w.program, "Bellini", "DROP VIEW IF EXISTS VProdotto;");
        corvane::test::runSqlScript(w.reference, "Corvane", "DROP VIEW IF EXISTS VProdotto;");
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 3);
        QVERIFY(r.boxTexts().contains(kSuccess));
        QCOMPARE(r.redRows().size(), 1);
        QCOMPARE(r.redRows()[0].toArray()[0].toString(), QStringLiteral("(V)VProdotto"));
        const QJsonObject db = r.half("database");
        QCOMPARE(db["verdict"].toString(), QStringLiteral("behind"));
        QCOMPARE(db["versionWritten"].toBool(), false);
        QVERIFY(db["tablesCreated"].toInt() >= 1);
        QCOMPARE(db["statementsFailed"].toInt(), 0);
        QCOMPARE(r.half("program")["verdict"].toString(), QStringLiteral("up-to-date"));
        QCOMPARE(r.half("program")["executableReplaced"].toBool(), true);
        QCOMPARE(w.localVersion(), QStringLiteral("2.0"));
    }

    // Exit 1 says which half failed: the database is updated all the same.
    void criticalBoxNamesItsHalf()
    {
        World w;
        w.startFtp({"--password", "something-else"});
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 1);
        QCOMPARE(r.half("program")["verdict"].toString(), QStringLiteral("failed"));
        QCOMPARE(r.half("database")["verdict"].toString(), QStringLiteral("up-to-date"));
        QCOMPARE(r.half("database")["versionWritten"].toBool(), true);
        const QJsonArray files = r.half("program")["filesFetched"].toArray();
        QVERIFY(files.isEmpty());
        QVERIFY(QDateTime::fromString(r.end()["started"].toString(), Qt::ISODateWithMs).isValid());
        QVERIFY(r.end()["seconds"].toDouble() > 0);
    }

    // Only a whole "/Q" is the switch: a path holding "/Q" is not.
    void quietInsideALongerArgumentDoesNotCount()
    {
        World w;
        w.startFtp();
        QProcess p;
        QProcessEnvironment env = w.environment();
        env.insert("QT_QPA_PLATFORM", "offscreen"); // the window opens, unseen
        p.setProcessEnvironment(env);
        w.start(p, {"C:/Quadri/x"});
        QVERIFY(waitFor([&] { return w.runLog().contains("start, version"); }, 20000));
        p.kill();
        p.waitForFinished();
        QVERIFY2(w.runLog().contains(", interactive\n"), w.runLog().constData());
        QCOMPARE(p.readAllStandardOutput(), QByteArray()); // no transcript: not quiet
    }

    void helpAndVersionAnswerWithoutARun_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("starts");
        const QString usage = "Uso: " + corvane::e2e::binaryName() + " [/A] [/Q] [/P]\n";
        QTest::newRow("--help") << "--help" << usage;
        QTest::newRow("/?") << "/?" << usage;
        QTest::newRow("--version") << "--version"
                                   << "CorvaneUpdate 1.2.0\n";
    }
    void helpAndVersionAnswerWithoutARun()
    {
        QFETCH(QString, argument);
        QFETCH(QString, starts);
        World w;
        QProcess p;
        // No display and no platform chosen: nothing of the window is needed.
        w.start(p, {argument});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        // Windows writes text with CR LF.
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput())
                    .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                    .startsWith(starts));
        QCOMPARE(p.readAllStandardError(), QByteArray());
        QVERIFY(!QFile::exists(w.program + "/CorvaneUpdate.log"));
    }

    // A FIFO in the run log's place, nobody reading: the run goes on.
    void fifoRunLogNeverHoldsTheRun()
    {
        if (!corvane::test::supportsFifos()) QSKIP("no FIFOs on this system");
        World w;
        w.startFtp();
        const QString log = w.program + "/CorvaneUpdate.log";
        QVERIFY(corvane::test::makeFifo(log));
        QProcess p;
        w.start(p, {"/A", "/Q"});
        const Run r = World::finish(p, 60000);
        QCOMPARE(r.exit, 0);
        QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
        QVERIFY(corvane::test::isFifo(log));
    }

    // conf.ini's line 1 starting with a NUL would open an empty temporary
    // database: refused at start-up instead, naming the file and the line.
    void nulInConfIniIsRefused()
    {
        World w;
        w.startFtp();
        const QByteArray dump = w.localDump();
        writeFile(w.program + "/conf.ini", QByteArray("\0sqlite:", 8) + w.program.toUtf8() +
                                               "\r\nsa\r\n\r\n-\r\nBellini\r\n");
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 2);
        QCOMPARE(r.boxTexts().size(), 1);
        const QString text = r.boxTexts().first();
        QVERIFY2(text.startsWith(QStringLiteral("Errore di comunicazione con il database\r\n")),
                 qPrintable(text));
        QVERIFY2(text.contains(QDir::toNativeSeparators(w.program + "/conf.ini") +
                               QStringLiteral(", line 1: control character U+0000")),
                 qPrintable(text));
        QCOMPARE(r.label("lblConnesso")["caption"].toString(), QStringLiteral("DB Non Connesso"));
        QCOMPARE(w.localDump(), dump);
    }

    // The missing file's box says where it was looked for.
    void missingConfIniIsNamed()
    {
        World w;
        QFile::remove(w.program + "/conf.ini");
        const Run r = w.run({"/Q"});
        QCOMPARE(r.exit, 2);
        QVERIFY(r.boxTexts().value(0).contains(QDir::toNativeSeparators(w.program + "/conf.ini")));
    }

    // Windows-1252 in conf.ini: a database named "Caffè€" opens.
    void ansiConfIniIsWindows1252()
    {
        World w;
        w.startFtp();
        const QString name = QString::fromUtf8("Caff\u00E8\u20AC");
        QVERIFY(QFile::rename(w.program + "/Bellini.db", w.program + "/" + name + ".db"));
        writeFile(w.program + "/conf.ini",
                  "sqlite:" + w.program.toUtf8() + "\r\nsa\r\n\r\n-\r\nCaff\xE8\x80\r\n");
        const Run r = w.run({"/Q"});
        QCOMPARE(r.exit, 3);
        QCOMPARE(r.label("lblConnesso")["caption"].toString(), QStringLiteral("DB Connesso"));
        QCOMPARE(r.label("lblBDLocale")["caption"].toString(), QStringLiteral("2.0"));
    }

    // Two runs at once in one folder: the second waits for the first, then
    // does its own run; neither trips over the other.
    void secondRunWaitsForTheFirst()
    {
        World w;
        padPublishedExe(w, 3 * 1024 * 1024);
        w.startFtp({"--rate", "1500000"}); // about two seconds for the executable
        QProcess first, second;
        w.start(first, {"/A", "/Q"});
        QVERIFY(waitFor([&] { return w.runLog().contains("start, version"); }, 20000));
        w.start(second, {"/A", "/Q"});
        QVERIFY(first.waitForStarted() && second.waitForStarted());
        const qint64 firstPid = first.processId(), secondPid = second.processId();
        const Run a = World::finish(first);
        const Run b = World::finish(second);
        QCOMPARE(a.exit, 0);
        QCOMPARE(b.exit, 0);
        QCOMPARE(b.eventsOf(QStringLiteral("waiting")).size(), 1);
        QCOMPARE(b.events.first()["event"].toString(), QStringLiteral("waiting"));
        QVERIFY(b.boxTexts().filter(QStringLiteral("ERRORE")).isEmpty());
        QVERIFY(a.boxTexts().filter(QStringLiteral("ERRORE")).isEmpty());
        QCOMPARE(
            corvane::test::queryRows(w.reference, "Corvane",
                                     "SELECT Nome, COUNT(*) FROM InfoAggiornamenti GROUP BY Nome "
                                     "HAVING COUNT(*) > 1"),
            QStringList());
        // The lines of the two runs tell them apart, and do not interleave:
        // the second run works only after the first has ended.
        const QList<QByteArray> lines = w.runLog().split('\n');
        QSet<qint64> pids;
        qint64 firstEnd = -1, secondWork = -1;
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].isEmpty()) continue;
            const qint64 pid = pidOfLine(lines[i]);
            QVERIFY2(pid > 0, lines[i].constData());
            pids << pid;
            if (pid == firstPid && lines[i].contains("end, exit status")) firstEnd = i;
            if (pid == secondPid && lines[i].contains("FTP: fetched") && secondWork < 0)
                secondWork = i;
        }
        QCOMPARE(pids.size(), 2);
        QVERIFY(firstEnd >= 0 && secondWork > firstEnd);
        QVERIFY(!QFile::exists(w.program + "/CorvaneUpdate.lock"));
    }

    // A run that died holding the lock does not hold up the next one.
    void lockOfADeadRunIsTakenOver()
    {
        World w;
        padPublishedExe(w, 3 * 1024 * 1024);
        w.startFtp({"--rate", "500000"});
        QProcess dying;
        w.start(dying, {"/A", "/Q"});
        const QString lock = w.program + "/CorvaneUpdate.lock";
        QVERIFY(waitFor([&] { return QFile::exists(lock); }, 20000));
        dying.kill(); // SIGKILL; on Windows TerminateProcess
        dying.waitForFinished();
        QVERIFY(QFile::exists(lock));
        w.stopFtp();
        w.startFtp();
        QElapsedTimer t;
        t.start();
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 0);
        QVERIFY(r.eventsOf(QStringLiteral("waiting")).isEmpty());
        QVERIFY(t.elapsed() < 60000);
    }
};

QTEST_GUILESS_MAIN(TestEndToEndAdmin)
#include "test_e2e_admin.moc"

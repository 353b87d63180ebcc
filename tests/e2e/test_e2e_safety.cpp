// The update run of the real program on hostile input: each case asserts
// that every local table and row there before is still there, with its
// values, besides what the case is about.

#include "e2eworld.h"
#include "support/dbsnapshot.h"
#include "support/hostprocess.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/testplatform.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QtTest>

using namespace corvane;
using e2e::kLocalName;
using e2e::kReferenceName;
using e2e::Run;
using e2e::World;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kAllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");
const QString kGo = QStringLiteral("\r\nGO\r\n");

// The customer's own rows in the tables a hostile reference aims at.
const QString kCustomerRows =
    QStringLiteral("INSERT INTO Causali VALUES (9, 'Causale del cliente', 0);"
                   "INSERT INTO Soggetti VALUES (2, 'FO', 'Fornitore del cliente');");

QString literal(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// Holds an exclusive lock on a database file from another process.
class LockHolder
{
public:
    LockHolder(const QString& path, double seconds)
    {
        QString errors;
        m_locked = m_process
                       .startAndReadLine(QStringLiteral(CORVANE_SYSTEM_PYTHON),
                                         {"-c",
                                          "import sqlite3, sys, time\n"
                                          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                          "c.execute('BEGIN EXCLUSIVE')\n"
                                          "print('locked', flush=True)\n"
                                          "time.sleep(float(sys.argv[2]))\n"
                                          "c.execute('COMMIT')\n",
                                          corvane::test::hostPath(path), QString::number(seconds)},
                                         errors)
                       .startsWith("locked");
    }
    ~LockHolder() { m_process.waitForExit(20000); }
    bool locked() const { return m_locked; }

private:
    corvane::test::HostProcess m_process;
    bool m_locked = false;
};

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestEndToEndSafety : public QObject
{
    Q_OBJECT
private slots:
    // A GO line inside a view's comment used to cut the view in pieces: the
    // engine took the first, unfinished one, then ran the next as a statement.
    void goInsideAViewComment_data()
    {
        QTest::addColumn<QString>("hidden");
        QTest::newRow("drop") << "DROP TABLE Soggetti";
        QTest::newRow("delete") << "DELETE FROM Causali";
    }
    void goInsideAViewComment()
    {
        QFETCH(QString, hidden);
        const QString view = QStringLiteral("CREATE VIEW [VNota] AS SELECT IDCausale /* nota") +
                             kGo + hidden + kGo + QStringLiteral("*/ FROM Causali;");
        World w;
        w.extend(view, kCustomerRows);
        w.publishSameProgram();
        w.startFtp();
        const test::DbSnapshot before = test::takeSnapshot(w.program, kLocalName);
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 0);
        QVERIFY(r.boxTexts().contains(kSuccess));
        QCOMPARE(test::lostSince(before, w.program, kLocalName), QString());
        // The view is there whole, its comment with it.
        QCOMPARE(w.localRows("SELECT IDCausale FROM VNota"), QStringList{"9"});
        QVERIFY(w.localRows("SELECT sql FROM sqlite_schema WHERE name = 'VNota'")
                    .value(0)
                    .contains(hidden));
        QCOMPARE(r.label("lblEsito")["caption"].toString(), kAllUpToDate);
    }

    // A view whose text stops inside a comment is never sent: it stays red.
    void viewLeftOpenIsNeverSent()
    {
        World w;
        w.extend({}, kCustomerRows);
        w.publishSameProgram();
        // On its own: the open comment takes everything after it in.
        test::runSqlScript(w.reference, kReferenceName,
                           QStringLiteral("CREATE VIEW VAperta AS SELECT IDCausale FROM Causali /* "
                                          "mai chiuso") +
                               kGo + QStringLiteral("DELETE FROM Causali"));
        w.startFtp();
        const test::DbSnapshot before = test::takeSnapshot(w.program, kLocalName);
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(test::lostSince(before, w.program, kLocalName), QString());
        QVERIFY(!w.localObjects().contains("VAperta"));
        QVERIFY(QJsonDocument(r.redRows()).toJson().contains("(V)VAperta"));
        QVERIFY(w.runLog().contains("incomplete input"));
        QVERIFY(r.boxTexts().contains(kSuccess));
    }

    // Keys of a lookup table copied by number are values, never SQL.
    void lookupKeysAreValues()
    {
        World w;
        w.extend(QStringLiteral("INSERT INTO Parametri VALUES (%1, 'x', 'y', NULL), ('abc', 'a', "
                                "'b', NULL), (8, 'Otto', '8', 'nota');")
                     .arg(literal("7; DELETE FROM Causali")),
                 kCustomerRows);
        w.publishSameProgram();
        w.startFtp();
        const test::DbSnapshot before = test::takeSnapshot(w.program, kLocalName);
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(test::lostSince(before, w.program, kLocalName), QString());
        // The rest of the seeding went on: the key after them, the tables after Parametri.
        QCOMPARE(w.localRows("SELECT Descrizione FROM Parametri WHERE IDParametro = 8"),
                 QStringList{"Otto"});
        QCOMPARE(w.localRows("SELECT count(*) FROM TipiSoggetti"), QStringList{"3"});
        QVERIFY(w.runLog().contains(
            "row skipped, IDparametro '7; DELETE FROM Causali' is not a number"));
        QVERIFY(w.runLog().contains("row skipped, IDparametro 'abc' is not a number"));
    }

    // A database another program holds locked for a moment is waited for.
    void lockedDatabaseIsWaitedFor_data()
    {
        QTest::addColumn<bool>("reference");
        QTest::newRow("local") << false;
        QTest::newRow("reference") << true;
    }
    void lockedDatabaseIsWaitedFor()
    {
        QFETCH(bool, reference);
        World w;
        w.publishSameProgram();
        w.startFtp();
        const QString file = reference ? w.reference + "/" + kReferenceName + ".db"
                                       : w.program + "/" + kLocalName + ".db";
        Run r;
        {
            LockHolder lock(file, 1.5);
            QVERIFY(lock.locked());
            r = w.run({"/A", "/Q"});
        }
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.label("lblConnesso")["caption"].toString(), QStringLiteral("DB Connesso"));
        QCOMPARE(r.label("lblEsito")["caption"].toString(), kAllUpToDate);
        QCOMPARE(w.localVersion(), QStringLiteral("2.1"));
    }

    // A file that is not a database says so; nothing is written to it.
    void damagedDatabaseSaysSo()
    {
        World w;
        w.publishSameProgram();
        w.startFtp();
        QByteArray noise(16384, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        const QString file = w.program + "/" + kLocalName + ".db";
        writeBytes(file, noise);
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.boxTexts().join(u'\n').contains("file is not a database"),
                 qPrintable(r.boxTexts().join(u'\n')));
        QVERIFY(!r.boxTexts().join(u'\n').contains("INFORMATION_SCHEMA"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), noise);
    }

    // A NUL in the data source never opens an empty temporary database.
    void nulInTheDataSourceOpensNothing()
    {
        World w;
        w.publishSameProgram();
        w.startFtp();
        const test::DbSnapshot before = test::takeSnapshot(w.program, kLocalName);
        // The engine took "file:%00/..." for an empty name: a temporary database.
        writeBytes(
            w.program + "/conf.ini",
            "sqlite:" + QByteArray(1, '\0') +
                QStringLiteral("%1\r\nsa\r\n\r\n-\r\n%2\r\n").arg(w.program, kLocalName).toUtf8());
        const QStringList files = QDir(w.program).entryList(QDir::Files);
        const Run r = w.run({"/A", "/Q"});
        QCOMPARE(r.exit, 2);
        QVERIFY(r.label("lblConnesso")["caption"].toString() != QStringLiteral("DB Connesso"));
        QCOMPARE(test::lostSince(before, w.program, kLocalName), QString());
        QStringList after = QDir(w.program).entryList(QDir::Files);
        after.removeAll(QStringLiteral("CorvaneUpdate.log"));
        QStringList was = files;
        was.removeAll(QStringLiteral("CorvaneUpdate.log"));
        QCOMPARE(after, was);
    }
};

QTEST_GUILESS_MAIN(TestEndToEndSafety)
#include "test_e2e_safety.moc"

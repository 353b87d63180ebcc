// What the update run sends for one object on the embedded engine: only the
// statements that create it, as whole statements, all or nothing; and the
// table rebuild of a column addition, all or nothing too.

#include "base/error.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "schema/updaterun.h"
#include "schemaworld.h"
#include "support/dbsnapshot.h"
#include "support/testdb.h"

#include <QtTest>

using namespace corvane;
using test::SchemaWorld;

namespace {

const QString kSep = QStringLiteral("\r\nGO\r\n");
const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kCustomer = QStringLiteral("CREATE TABLE Soggetti (ID int PRIMARY KEY, Nome text);"
                                         "INSERT INTO Soggetti VALUES (1, 'Rossi');");

} // namespace

class TestObjectScript : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::useClosedUpdateServer(); }

    // A table's script may create that table and its indexes, nothing else:
    // what came before the foreign statement is rolled back with it.
    void tableScriptDoesOnlyItsOwnWork_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("drop") << "DROP TABLE Soggetti"
                              << "not authorized: DROP TABLE \"Soggetti\" is not part of creating "
                                 "table \"Nuova\"";
        QTest::newRow("delete") << "DELETE FROM Soggetti"
                                << "not authorized: DELETE FROM \"Soggetti\" is not part of "
                                   "creating table \"Nuova\"";
        QTest::newRow("another table") << "CREATE TABLE Altra (y int)"
                                       << "not authorized: CREATE TABLE \"Altra\" is not part of "
                                          "creating table \"Nuova\"";
        QTest::newRow("two statements in one batch")
            << "CREATE INDEX IX_Nuova ON Nuova (x); DELETE FROM Soggetti"
            << "more than one statement in one batch: DELETE FROM \"Soggetti\" is not part of "
               "creating table \"Nuova\"";
        QTest::newRow("a batch left open")
            << "CREATE INDEX IX_Nuova ON Nuova (x) /* " + kSep + "DELETE FROM Soggetti"
            << "incomplete input";
    }
    void tableScriptDoesOnlyItsOwnWork()
    {
        QFETCH(QString, foreign);
        QFETCH(QString, refusal);
        SchemaWorld w(QString(), kCustomer);
        auto fake = w.useFakeComponent();
        const QString script = "CREATE TABLE Nuova (x int)" + kSep + foreign + kSep;
        fake->catalog->tables.insert("Nuova", test::scriptedTable(script));
        w.setGrid({{"Nuova", "", true}, {"Nuova", "x", true}});
        const test::DbSnapshot before = test::takeSnapshot(w.path(), test::kLocalDatabase);
        w.port.expectBox("ERRORE !!\r\n\r\n-2147467259 -- " + refusal);
        w.port.expectBox(script);
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(test::lostSince(before, w.path(), test::kLocalDatabase), QString());
        QCOMPARE(w.localObjects(), QStringList{"table Soggetti"});
        QVERIFY(w.log.executed().isEmpty());
    }

    // The same for a view, whose failures are silent: the view stays red.
    void viewScriptDoesOnlyItsOwnWork()
    {
        SchemaWorld w(QString(), kCustomer);
        auto fake = w.useFakeComponent();
        fake->catalog->views.insert("VNota", "CREATE VIEW VNota AS SELECT 1 AS x" + kSep +
                                                 "DELETE FROM Soggetti" + kSep);
        w.setGrid({{"(V)VNota", "", true}});
        w.expectVersionCheckBox();
        w.port.expectBox(kSuccess);
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(w.localRows("SELECT Nome FROM Soggetti"), QStringList{"Rossi"});
        QVERIFY(!w.localObjects().contains("view VNota"));
        QCOMPARE(w.log.lines.filter("DELETE FROM \"Soggetti\" is not part of creating view").size(),
                 2); // the failure, and the view left for later
    }

    // A rebuild that cannot be done leaves the table as it was.
    void failedRebuildChangesNothing()
    {
        SchemaWorld w("CREATE TABLE Eventi (Id int, Stato int NOT NULL DEFAULT (NULL));",
                      "CREATE TABLE Eventi (Id int CHECK (Id > 0));"
                      "CREATE INDEX IX_Eventi ON Eventi (Id);"
                      "CREATE TRIGGER TR_Eventi AFTER INSERT ON Eventi BEGIN SELECT 1; END;"
                      "INSERT INTO Eventi VALUES (1), (2);");
        const QStringList schemaBefore = w.localRows("SELECT sql FROM sqlite_schema ORDER BY name");
        const test::DbSnapshot before = test::takeSnapshot(w.path(), test::kLocalDatabase);
        w.compare();
        w.port.expectBoxStartingWith("ERRORE !!\r\n\r\n");
        w.port.expectBox("ALTER TABLE \"Eventi\" ADD \"Stato\" int NOT NULL DEFAULT (NULL) ");
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(w.localRows("SELECT sql FROM sqlite_schema ORDER BY name"), schemaBefore);
        QCOMPARE(test::lostSince(before, w.path(), test::kLocalDatabase), QString());
    }

    // Foreign keys stay on, and still hold, across a rebuild.
    void rebuildKeepsForeignKeys()
    {
        SchemaWorld w("CREATE TABLE Padri (ID int PRIMARY KEY);"
                      "CREATE TABLE Figli (ID int, IDPadre int REFERENCES Padri (ID), "
                      "Quando datetime NOT NULL DEFAULT (CURRENT_TIMESTAMP));",
                      "CREATE TABLE Padri (ID int PRIMARY KEY);"
                      "CREATE TABLE Figli (ID int, IDPadre int REFERENCES Padri (ID));"
                      "INSERT INTO Padri VALUES (1); INSERT INTO Figli VALUES (10, 1);");
        db::Connection& local = *w.g.LocalConnection;
        local.Execute("PRAGMA foreign_keys = ON");
        w.compare();
        w.expectVersionCheckBox();
        w.port.expectBox(kSuccess);
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(
            w.localRows("SELECT ID || '|' || IDPadre || '|' || (Quando IS NOT NULL) FROM Figli"),
            QStringList{"10|1|1"});
        db::Recordset on;
        on.Open("PRAGMA foreign_keys", local, db::adOpenStatic, db::adLockReadOnly);
        QCOMPARE(on.field("foreign_keys").toInt(), 1);
        QVERIFY_THROWS_EXCEPTION(Error,
                                 local.Execute("INSERT INTO Figli (ID, IDPadre) VALUES (11, 9)"));
    }
    // Objects share a transaction of the run, each a savepoint of it: a
    // failing object is undone alone, those before it are kept, and the log
    // tells of each object's statements before the failure that follows.
    void failingObjectIsUndoneAloneInTheRun_data()
    {
        QTest::addColumn<QString>("second"); // script of the second object
        QTest::addColumn<bool>("secondIsView");
        QTest::addColumn<QStringList>("objects");  // local objects after the run
        QTest::addColumn<QStringList>("executed"); // as the log tells them
        QTest::addColumn<bool>("stops");           // an error box ends the run

        const QStringList first{"CREATE TABLE Prima (x int)",
                                "\r\nCREATE INDEX IX_Prima ON Prima (x)"};
        QTest::newRow("table failing after its own CREATE")
            << "CREATE TABLE Seconda (y int)" + kSep + "CREATE INDEX IX_S ON Manca (y)" + kSep
            << false << QStringList{"table Prima", "table Soggetti"} << first << true;
        QTest::newRow("table failing at once")
            << "CREATE TABLE Seconda (y int, y int)" + kSep << false
            << QStringList{"table Prima", "table Soggetti"} << first << true;
        QTest::newRow("view naming what is missing")
            << "CREATE VIEW Seconda AS SELECT * FROM Manca" + kSep << true
            << QStringList{"table Prima", "table Soggetti", "table Terza"}
            << first + QStringList{"CREATE TABLE Terza (z int)"} << false;
        QTest::newRow("all created")
            << "CREATE VIEW Seconda AS SELECT x FROM Prima" + kSep << true
            << QStringList{"table Prima", "table Soggetti", "table Terza", "view Seconda"}
            << first + QStringList{"CREATE VIEW Seconda AS SELECT x FROM Prima",
                                   "CREATE TABLE Terza (z int)"}
            << false;
    }
    void failingObjectIsUndoneAloneInTheRun()
    {
        QFETCH(QString, second);
        QFETCH(bool, secondIsView);
        QFETCH(QStringList, objects);
        QFETCH(QStringList, executed);
        QFETCH(bool, stops);
        SchemaWorld w(QString(), kCustomer);
        auto fake = w.useFakeComponent();
        fake->catalog->tables.insert("Prima",
                                     test::scriptedTable("CREATE TABLE Prima (x int)" + kSep +
                                                         "CREATE INDEX IX_Prima ON Prima "
                                                         "(x)" +
                                                         kSep));
        if (secondIsView)
            fake->catalog->views.insert("Seconda", second);
        else
            fake->catalog->tables.insert("Seconda", test::scriptedTable(second));
        fake->catalog->tables.insert("Terza",
                                     test::scriptedTable("CREATE TABLE Terza (z int)" + kSep));
        w.setGrid({{"Prima", "", true},
                   {secondIsView ? "(V)Seconda" : "Seconda", "", true},
                   {"Terza", "", true}});
        if (stops) {
            w.port.expectBoxStartingWith("ERRORE !!\r\n\r\n");
            w.port.expectBox(second);
        } else {
            w.expectVersionCheckBox();
            w.port.expectBox(kSuccess);
        }
        Cmd_Click(w.ctx);
        QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
        QCOMPARE(w.localObjects(), objects);
        QCOMPARE(w.log.executed(), executed);
        // Nothing of the failed object is told as executed, and its failure
        // comes after what was kept before it.
        const auto lineWith = [&w](const QString& part) {
            for (qsizetype i = 0; i < w.log.lines.size(); ++i)
                if (w.log.lines[i].contains(part)) return i;
            return qsizetype(-1);
        };
        const qsizetype failure = lineWith("Cmd_Click: failed");
        QCOMPARE(failure >= 0, stops);
        if (stops) QVERIFY(lineWith("CREATE INDEX IX_Prima") < failure);
    }
};

QTEST_GUILESS_MAIN(TestObjectScript)
#include "test_objectscript.moc"

// Statements on the embedded engine: whole ones only, a guard that lets a
// script create its own object and nothing else, and transactions.

#include "base/error.h"
#include "db/embeddedexec.h"
#include "dbtesthelpers.h"

#include <QtTest>

using namespace corvane;
using test::EmbeddedDb;

namespace {

const char* kCustomerData = "CREATE TABLE Soggetti (ID int PRIMARY KEY, Nome text);"
                            "INSERT INTO Soggetti VALUES (1, 'Rossi'), (2, 'Bianchi')";

QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.description();
    }
    return {};
}

QStringList objects(EmbeddedDb& db)
{
    return db.rows("SELECT type || ' ' || name FROM sqlite_schema WHERE name NOT LIKE "
                   "'sqlite_%' ORDER BY type, name");
}

} // namespace

class TestEmbeddedExec : public QObject
{
    Q_OBJECT
private slots:
    void wholeStatement_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("whole");
        QTest::newRow("plain") << "CREATE TABLE t (x int)" << true;
        QTest::newRow("line comment at the end") << "SELECT 1 -- the end" << true;
        QTest::newRow("closed block comment") << "SELECT 1 /* x */" << true;
        QTest::newRow("open block comment") << "SELECT IDCausale /* nota" << false;
        QTest::newRow("open string") << "SELECT 'abc" << false;
        QTest::newRow("open quoted name") << "SELECT \"Nome" << false;
        QTest::newRow("trigger without END")
            << "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT 1;" << false;
    }
    void wholeStatement()
    {
        QFETCH(QString, sql);
        QTEST(db::isWholeStatement(sql), "whole");
    }

    void refusedBeforeAnythingRuns_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("error");
        QTest::newRow("open comment swallowing the rest")
            << "DELETE FROM Soggetti WHERE ID = 1 /* nota"
            << "incomplete input";
        QTest::newRow("a second statement") << "SELECT 1; DELETE FROM Soggetti"
                                            << "more than one statement in one batch";
        QTest::newRow("a second statement after a comment")
            << "SELECT 1; -- x\nDROP TABLE Soggetti"
            << "more than one statement in one batch";
        QTest::newRow("the engine's own words") << "SELECT * FROM Assente"
                                                << "no such table: Assente";
    }
    void refusedBeforeAnythingRuns()
    {
        QFETCH(QString, sql);
        QFETCH(QString, error);
        EmbeddedDb db(kCustomerData);
        QCOMPARE(failureOf([&] { db::executeWhole(db.conn(), sql); }), error);
        QCOMPARE(db.rows("SELECT ID FROM Soggetti ORDER BY ID"), (QStringList{"1", "2"}));
    }

    void rowsAndParameters()
    {
        EmbeddedDb db(kCustomerData);
        const QList<QVariantList> rows = db::executeWhole(
            db.conn(), "SELECT ID, Nome, ?2 FROM Soggetti WHERE Nome = ?1 -- by name;",
            {QStringLiteral("Rossi"), QByteArray("\x01\x02", 2)});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first(),
                 (QVariantList{qlonglong(1), QStringLiteral("Rossi"), QByteArray("\x01\x02", 2)}));
        QVERIFY(db::executeWhole(db.conn(), "/* nothing */ ;").isEmpty());
    }

    void guard_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refused"); // "" when the statement may run

        QTest::newRow("its table") << false << "Nuova"
                                   << "CREATE TABLE Nuova (x int)"
                                   << "";
        QTest::newRow("its table, other case and blanks") << false << " nuova"
                                                          << "CREATE TABLE \"NUOVA \" (x int)"
                                                          << "";
        QTest::newRow("its table with AUTOINCREMENT")
            << false << "Nuova"
            << "CREATE TABLE Nuova (id integer PRIMARY KEY AUTOINCREMENT)"
            << "";
        QTest::newRow("its table from a query") << false << "Nuova"
                                                << "CREATE TABLE Nuova AS SELECT * FROM Soggetti"
                                                << "";
        QTest::newRow("its index") << false << "Soggetti"
                                   << "CREATE INDEX IX_Nome ON Soggetti (Nome)"
                                   << "";
        QTest::newRow("an index of another table")
            << false << "Nuova"
            << "CREATE INDEX IX_Nome ON Soggetti (Nome)"
            << "CREATE INDEX \"Soggetti\" is not part of creating table \"Nuova\"";
        QTest::newRow("another table") << false << "Nuova"
                                       << "CREATE TABLE Altra (x int)"
                                       << "CREATE TABLE \"Altra\" is not part of creating table "
                                          "\"Nuova\"";
        QTest::newRow("a drop")
            << false << "Nuova"
            << "DROP TABLE Soggetti"
            << "DROP TABLE \"Soggetti\" is not part of creating table \"Nuova\"";
        QTest::newRow("a delete") << true << "V"
                                  << "DELETE FROM Soggetti"
                                  << "DELETE FROM \"Soggetti\" is not part of creating view \"V\"";
        QTest::newRow("an insert") << false << "Nuova"
                                   << "INSERT INTO Soggetti VALUES (3, 'x')"
                                   << "INSERT INTO \"Soggetti\" is not part of creating table "
                                      "\"Nuova\"";
        QTest::newRow("an update") << false << "Nuova"
                                   << "UPDATE Soggetti SET Nome = ''"
                                   << "UPDATE \"Soggetti\" is not part of creating table \"Nuova\"";
        QTest::newRow("a trigger")
            << false << "Soggetti"
            << "CREATE TRIGGER tr AFTER INSERT ON Soggetti BEGIN DELETE FROM Soggetti; END"
            << "CREATE TRIGGER \"tr\" is not part of creating table \"Soggetti\"";
        QTest::newRow("a pragma") << false << "Nuova"
                                  << "PRAGMA writable_schema = 1"
                                  << "PRAGMA \"writable_schema\" is not part of creating table "
                                     "\"Nuova\"";
        QTest::newRow("an attach") << false << "Nuova"
                                   << "ATTACH DATABASE ':memory:' AS altro"
                                   << "ATTACH \":memory:\" is not part of creating table \"Nuova\"";
        QTest::newRow("a transaction") << false << "Nuova"
                                       << "COMMIT"
                                       << "a transaction \"COMMIT\" is not part of creating table "
                                          "\"Nuova\"";
        QTest::newRow("its view") << true << "V"
                                  << "CREATE VIEW V AS SELECT Nome FROM Soggetti"
                                  << "";
        QTest::newRow("a temporary view of its name")
            << true << "V"
            << "CREATE TEMP VIEW V AS SELECT 1"
            << "CREATE VIEW \"V\" is not part of creating view \"V\"";
        QTest::newRow("a table of the view's name")
            << true << "V"
            << "CREATE TABLE V (x int)"
            << "CREATE TABLE \"V\" is not part of creating view \"V\"";
    }
    void guard()
    {
        QFETCH(bool, view);
        QFETCH(QString, name);
        QFETCH(QString, sql);
        QFETCH(QString, refused);
        EmbeddedDb db(kCustomerData);
        const QStringList before = objects(db);
        QString error;
        {
            db::CreationGuard guard(
                db.conn(), view ? db::CreationGuard::Kind::View : db::CreationGuard::Kind::Table,
                name);
            error = failureOf([&] { db::executeWhole(db.conn(), sql); });
            if (!refused.isEmpty()) QCOMPARE(guard.refusal(), refused);
        }
        QCOMPARE(error, refused.isEmpty() ? QString() : QStringLiteral("not authorized"));
        if (!refused.isEmpty()) QCOMPARE(objects(db), before);
        QCOMPARE(db.rows("SELECT ID, Nome FROM Soggetti ORDER BY ID"),
                 (QStringList{"1|Rossi", "2|Bianchi"}));
        // Once the guard is gone the connection does anything again.
        db::executeWhole(db.conn(), "DELETE FROM Soggetti WHERE ID = 2");
        QCOMPARE(db.rows("SELECT ID FROM Soggetti"), QStringList{"1"});
    }

    void transactionIsAllOrNothing()
    {
        EmbeddedDb db(kCustomerData);
        {
            db::EmbeddedTransaction transaction(db.conn());
            db::executeWhole(db.conn(), "CREATE TABLE Nuova (x int)");
            db::executeWhole(db.conn(), "CREATE INDEX IX_Nuova ON Nuova (x)");
        } // not committed
        QCOMPARE(objects(db), QStringList{"table Soggetti"});
        {
            db::EmbeddedTransaction transaction(db.conn());
            db::executeWhole(db.conn(), "CREATE TABLE Nuova (x int)");
            db::executeWhole(db.conn(), "CREATE INDEX IX_Nuova ON Nuova (x)");
            transaction.commit();
        }
        QCOMPARE(objects(db), (QStringList{"index IX_Nuova", "table Nuova", "table Soggetti"}));
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedExec)
#include "test_embeddedexec.moc"

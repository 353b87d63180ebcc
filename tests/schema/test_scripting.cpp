// Scripting of reference tables and views: real embedded databases, FreeTDS
// against a closed port, and the component stand-in where the test must see
// what was asked of the component.

#include "schema/scripting.h"
#include "schema/sqldmo.h"
#include "support/fakesqldmo.h"
#include "support/loopback.h"
#include "support/testdb.h"
#include "support/world.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

namespace {

const char* kReference = R"(
BEGIN;
CREATE TABLE [Articoli] ([Codice] [char] (10) NOT NULL PRIMARY KEY, [Prezzo] [decimal] (18, 4) NOT NULL DEFAULT (0));
CREATE INDEX [IX_Articoli_Prezzo] ON [Articoli] ([Prezzo]);
CREATE VIEW [vArticoli] AS SELECT [Codice] FROM [Articoli];
COMMIT;
)";

} // namespace

class TestScripting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        test::runSqlScript(m_dir.path(), QStringLiteral("Corvane"), QString::fromUtf8(kReference));
        m_server = QStringLiteral("sqlite:") + m_dir.path();
    }

    void tableScript()
    {
        test::World f;
        // Server, user, password and database are trimmed; the table name is not.
        const QString script = ScriptReferenceTable(f.ctx, QLatin1Char(' ') + m_server + "  ",
                                                    " sa ", " ", " CORVANE ", "articoli", false);
        QCOMPARE(
            script,
            QStringLiteral("CREATE TABLE [Articoli] ([Codice] [char] (10) NOT NULL PRIMARY KEY, "
                           "[Prezzo] [decimal] (18, 4) NOT NULL DEFAULT (0))\r\nGO\r\n"
                           "CREATE INDEX [IX_Articoli_Prezzo] ON [Articoli] ([Prezzo])\r\nGO\r\n"));
        QVERIFY(f.g.SqlDmoServer != nullptr);
        QVERIFY(f.g.SqlDmoDatabase != nullptr);
        QVERIFY(f.port.boxes.isEmpty());
    }

    void viewScript()
    {
        test::World f;
        QCOMPARE(
            ScriptReferenceView(f.ctx, m_server, "sa", "", "Corvane", "VARTICOLI", true),
            QStringLiteral("CREATE VIEW [vArticoli] AS SELECT [Codice] FROM [Articoli]\r\nGO\r\n"));
        QVERIFY(f.port.boxes.isEmpty());
    }

    void eachCallReplacesTheServerObject()
    {
        test::World f;
        QVERIFY(!ScriptReferenceTable(f.ctx, m_server, "sa", "", "Corvane", "Articoli", false)
                     .isEmpty());
        const auto first = f.g.SqlDmoServer;
        QVERIFY(!ScriptReferenceView(f.ctx, m_server, "sa", "", "Corvane", "vArticoli", false)
                     .isEmpty());
        QVERIFY(f.g.SqlDmoServer != first);
    }

    void failureGivesEmptyTextWithoutMessage_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<QString>("server"); // "<ref>" = the reference folder, "<closed>" = FreeTDS
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("object");
        QTest::newRow("absent table") << false << "<ref>"
                                      << "Corvane"
                                      << "Fornitori";
        QTest::newRow("absent view") << true << "<ref>"
                                     << "Corvane"
                                     << "vFornitori";
        QTest::newRow("table name with leading blank") << false << "<ref>"
                                                       << "Corvane"
                                                       << " Articoli";
        QTest::newRow("view asked as table") << false << "<ref>"
                                             << "Corvane"
                                             << "vArticoli";
        QTest::newRow("absent database, table") << false << "<ref>"
                                                << "Altro"
                                                << "Articoli";
        QTest::newRow("absent database, view") << true << "<ref>"
                                               << "Altro"
                                               << "vArticoli";
        QTest::newRow("missing server folder") << false << "sqlite:/nonexistent/corvane"
                                               << "Corvane"
                                               << "Articoli";
        QTest::newRow("unreachable server, table") << false << "<closed>"
                                                   << "Corvane"
                                                   << "Articoli";
        QTest::newRow("unreachable server, view") << true << "<closed>"
                                                  << "Corvane"
                                                  << "vArticoli";
    }

    void failureGivesEmptyTextWithoutMessage()
    {
        QFETCH(bool, view);
        QFETCH(QString, server);
        QFETCH(QString, database);
        QFETCH(QString, object);
        if (server == u"<ref>") server = m_server;
        if (server == u"<closed>")
            server = QStringLiteral("127.0.0.1,%1").arg(test::closedLoopbackPort());
        test::World f;
        const QString script =
            view ? ScriptReferenceView(f.ctx, server, "sa", "pw", database, object, false)
                 : ScriptReferenceTable(f.ctx, server, "sa", "pw", database, object, false);
        QCOMPARE(script, QString());
        QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
        QVERIFY(f.port.boxes.isEmpty());
    }

    void componentThatCannotBeCreated_data()
    {
        QTest::addColumn<bool>("nullApplication");
        QTest::newRow("no application") << true;
        QTest::newRow("server object refused") << false;
    }

    void componentThatCannotBeCreated()
    {
        QFETCH(bool, nullApplication);
        test::World f;
        f.g.createSqlDmoApplication = [&]() -> std::shared_ptr<schema::Application> {
            if (nullApplication) return nullptr;
            auto fake = std::make_shared<test::FakeSqlDmoApplication>();
            fake->createServerFails = true;
            return fake;
        };
        QCOMPARE(ScriptReferenceTable(f.ctx, m_server, "sa", "", "Corvane", "Articoli", false),
                 QString());
        QCOMPARE(ScriptReferenceView(f.ctx, m_server, "sa", "", "Corvane", "vArticoli", false),
                 QString());
        QVERIFY(f.port.boxes.isEmpty());
    }

    // What the procedures ask of the component: timeouts, script types, names.
    void requestsMadeOfTheComponent_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<bool>("only70");
        QTest::addColumn<int>("loginTimeout");
        QTest::addColumn<int>("script2Type");
        QTest::newRow("table") << false << false << 20 << 0;
        QTest::newRow("table for 7.0") << false << true << 20 << 16777216;
        QTest::newRow("view") << true << false << -1 << 0;
        QTest::newRow("view for 7.0") << true << true << -1 << 16777216;
    }

    void requestsMadeOfTheComponent()
    {
        QFETCH(bool, view);
        QFETCH(bool, only70);
        QFETCH(int, loginTimeout);
        test::World f;
        auto fake = test::useFakeSqlDmo(f.g);
        fake->catalog->databases = {QStringLiteral("Corvane")};
        fake->catalog->tables.insert(QStringLiteral(" Righe "),
                                     {{}, QStringLiteral("T\r\nGO\r\n")});
        fake->catalog->views.insert(QStringLiteral(" vRighe "), QStringLiteral("V\r\nGO\r\n"));

        const QString script = view ? ScriptReferenceView(f.ctx, " srv ", " sa ", " pw ",
                                                          " Corvane ", " vRighe ", only70)
                                    : ScriptReferenceTable(f.ctx, " srv ", " sa ", " pw ",
                                                           " Corvane ", " Righe ", only70);
        QCOMPARE(script, view ? QStringLiteral("V\r\nGO\r\n") : QStringLiteral("T\r\nGO\r\n"));
        const test::FakeSqlDmoCalls& calls = *fake->calls;
        QCOMPARE(calls.loginTimeouts, QList<int>{loginTimeout});
        QCOMPARE(calls.connects, (QList<QStringList>{{"srv", "sa", "pw"}}));
        QCOMPARE(calls.databaseNames, QStringList{"Corvane"});
        QCOMPARE(view ? calls.viewNames : calls.tableNames,
                 QStringList{view ? " vRighe " : " Righe "});
        QTEST(calls.script2Types.value(0), "script2Type");
        QCOMPARE(calls.disconnects, 0); // left connected for the next call to replace
    }

    // Server, login, password and database lose their blanks only: a tab
    // stays and reaches the component as given.
    void onlyBlanksAreTrimmed_data()
    {
        QTest::addColumn<bool>("view");
        QTest::newRow("table") << false;
        QTest::newRow("view") << true;
    }

    void onlyBlanksAreTrimmed()
    {
        QFETCH(bool, view);
        test::World f;
        auto fake = test::useFakeSqlDmo(f.g);
        fake->catalog->databases = {QStringLiteral("Corvane")};
        const QString script = view ? ScriptReferenceView(f.ctx, " \tsrv ", "sa\t ", " pw",
                                                          "\tCorvane ", "vRighe", false)
                                    : ScriptReferenceTable(f.ctx, " \tsrv ", "sa\t ", " pw",
                                                           "\tCorvane ", "Righe", false);
        QCOMPARE(script, QString()); // no database of that name
        const test::FakeSqlDmoCalls& calls = *fake->calls;
        QCOMPARE(calls.connects, (QList<QStringList>{{"\tsrv", "sa\t", "pw"}}));
        QCOMPARE(calls.databaseNames, QStringList{"\tCorvane"});
        QVERIFY(f.port.boxes.isEmpty());
    }

    void refusedLoginGivesEmptyText()
    {
        test::World f;
        auto fake = test::useFakeSqlDmo(f.g);
        fake->catalog->refuseConnect = true;
        QCOMPARE(ScriptReferenceTable(f.ctx, "srv", "sa", "wrong", "Corvane", "Righe", false),
                 QString());
        QCOMPARE(ScriptReferenceView(f.ctx, "srv", "sa", "wrong", "Corvane", "vRighe", false),
                 QString());
        QVERIFY(f.port.boxes.isEmpty());
    }

private:
    QTemporaryDir m_dir;
    QString m_server;
};

QTEST_GUILESS_MAIN(TestScripting)
#include "test_scripting.moc"

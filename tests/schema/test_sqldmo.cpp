// The schema component on the embedded engine (real database files) and on
// SQL Server where no server answers (FreeTDS against a closed port).

#include "base/error.h"
#include "schema/embeddedcolumns.h"
#include "schema/sqldmo.h"
#include "state/globals.h"
#include "support/fakesqldmo.h"
#include "support/loopback.h"
#include "support/testdb.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;
using namespace corvane::schema;

namespace {

const char* kReference = R"(
BEGIN;
CREATE TABLE [Clienti] (
    [IDCliente] [int] IDENTITY (1, 1) NOT NULL,
    [Codice] [char] (10) NOT NULL,
    [RagioneSociale] [varchar] (80) NULL,
    [Fido] [decimal] (18, 4) NOT NULL DEFAULT (0),
    [Stato] [nchar] (1) NULL DEFAULT ('N'),
    PRIMARY KEY ([IDCliente]),
    UNIQUE ([Codice])
);
CREATE INDEX [IX_Clienti_Ragione] ON [Clienti] ([RagioneSociale]);
CREATE INDEX [IX_Clienti_Stato] ON [Clienti] ([Stato], [Fido]);
CREATE TABLE Numeratori (id integer primary key autoincrement, nome text);
INSERT INTO Numeratori (nome) VALUES ('x');
CREATE VIEW [vClienti] AS SELECT [Codice], [RagioneSociale] FROM [Clienti] WHERE [Stato] = 'N';
COMMIT;
)";

std::shared_ptr<Database> openEmbedded(const QString& folder, const QString& name)
{
    auto server = createDefaultApplication()->createServer();
    server->Connect(QStringLiteral("sqlite:") + folder, QStringLiteral("sa"), QString());
    return server->Databases(name);
}

QStringList batches(const QString& script)
{
    QStringList parts = script.split(BatchSeparator);
    if (!parts.isEmpty() && parts.last().trimmed().isEmpty()) parts.removeLast();
    return parts;
}

} // namespace

class TestSqlDmo : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        test::runSqlScript(m_dir.path(), QStringLiteral("Corvane"), QString::fromUtf8(kReference));
    }
    void cleanup()
    {
        for (const QString& file : QDir(m_dir.path()).entryList({QStringLiteral("*.db")}))
            QFile::remove(m_dir.filePath(file));
    }

    void applicationReportsItsOperationLevel()
    {
        auto app = createDefaultApplication();
        QCOMPARE(app->VersionMajor(), 8);
        QCOMPARE(app->VersionMinor(), 5);
        QVERIFY(app->createServer() != app->createServer());
    }

    void applicationIsCreatedOnceThroughTheSeam()
    {
        GlobalState g;
        int created = 0;
        g.createSqlDmoApplication = [&] {
            ++created;
            auto fake = std::make_shared<test::FakeSqlDmoApplication>();
            fake->minor = 0;
            return fake;
        };
        QCOMPARE(application(g).VersionMinor(), 0);
        QCOMPARE(application(g).VersionMinor(), 0);
        QCOMPARE(created, 1);
    }

    void applicationThatCannotBeCreatedThrows()
    {
        GlobalState g;
        g.createSqlDmoApplication = [] { return std::shared_ptr<Application>(); };
        QVERIFY_THROWS_EXCEPTION(Error, application(g));
        QVERIFY(!g.SqlDmoApplication);
    }

    void embeddedServer()
    {
        auto server = createDefaultApplication()->createServer();
        // Not connected yet: nothing to ask.
        QVERIFY_THROWS_EXCEPTION(Error, server->Databases(QStringLiteral("Corvane")));
        server->Connect(QStringLiteral("sqlite:%1,1433").arg(m_dir.path()), QString(), QString());
        QCOMPARE(server->VersionMajor(), kEmbeddedVersionMajor);
        QVERIFY(server->VersionMajor() >= 9);
        QVERIFY(server->Databases(QStringLiteral("CORVANE")) != nullptr);
        QVERIFY_THROWS_EXCEPTION(Error, server->Databases(QStringLiteral("Assente")));
        server->DisConnect();
        QVERIFY_THROWS_EXCEPTION(Error, server->Databases(QStringLiteral("Corvane")));
    }

    void embeddedServerInAMissingFolder()
    {
        auto server = createDefaultApplication()->createServer();
        QVERIFY_THROWS_EXCEPTION(
            Error, server->Connect(QStringLiteral("sqlite:") + m_dir.filePath("nowhere"), {}, {}));
    }

    void lookup_data()
    {
        QTest::addColumn<bool>("view");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("table") << false << "Clienti" << true;
        QTest::newRow("table, other case") << false << "cLIENTI" << true;
        QTest::newRow("table, trailing blanks") << false << "Clienti  " << true;
        QTest::newRow("table, leading blank") << false << " Clienti" << false;
        QTest::newRow("absent table") << false << "Fornitori" << false;
        QTest::newRow("view asked as table") << false << "vClienti" << false;
        QTest::newRow("engine's own table") << false << "sqlite_sequence" << false;
        QTest::newRow("view") << true << "VCLIENTI" << true;
        QTest::newRow("absent view") << true << "vFornitori" << false;
        QTest::newRow("table asked as view") << true << "Clienti" << false;
    }

    void lookup()
    {
        QFETCH(bool, view);
        QFETCH(QString, name);
        QFETCH(bool, found);
        auto db = openEmbedded(m_dir.path(), QStringLiteral("Corvane"));
        bool threw = false;
        try {
            if (view)
                QVERIFY(db->Views(name) != nullptr);
            else
                QVERIFY(db->Tables(name) != nullptr);
        } catch (const Error&) {
            threw = true;
        }
        QCOMPARE(threw, !found);
    }

    void tableScriptHoldsCreateAndIndexes()
    {
        auto db = openEmbedded(m_dir.path(), QStringLiteral("Corvane"));
        const QString script =
            db->Tables(QStringLiteral("clienti"))->Script(SQLDMOScript_Default, {}, {}, 0);
        QVERIFY(script.endsWith(BatchSeparator));
        const QStringList parts = batches(script);
        QCOMPARE(parts.size(), 3); // the automatic UNIQUE index has no text of its own
        QVERIFY(parts.at(0).startsWith(QLatin1String("CREATE TABLE [Clienti]")));
        QVERIFY(parts.at(1).startsWith(QLatin1String("CREATE INDEX [IX_Clienti_Ragione]")));
        QVERIFY(parts.at(2).startsWith(QLatin1String("CREATE INDEX [IX_Clienti_Stato]")));
        // The 7.0 request changes nothing the engine stores.
        QCOMPARE(db->Tables(QStringLiteral("Clienti"))
                     ->Script(SQLDMOScript_Default, {}, {}, SQLDMOScript2_70Only),
                 script);
    }

    // Scripted objects, run on another database, come back the same.
    void scriptRoundTrip()
    {
        auto db = openEmbedded(m_dir.path(), QStringLiteral("Corvane"));
        const QString tableScript =
            db->Tables(QStringLiteral("Clienti"))->Script(SQLDMOScript_Default, {}, {}, 0);
        const QString viewScript =
            db->Views(QStringLiteral("vClienti"))->Script(SQLDMOScript_Default, {}, 0);
        for (const QString& batch : batches(tableScript) + batches(viewScript))
            test::runSqlScript(m_dir.path(), QStringLiteral("Copia"), batch);

        const QString columns = QStringLiteral("SELECT * FROM pragma_table_info('Clienti')");
        const QStringList original =
            test::queryRows(m_dir.path(), QStringLiteral("Corvane"), columns);
        QCOMPARE(original.size(), 5);
        QCOMPARE(test::queryRows(m_dir.path(), QStringLiteral("Copia"), columns), original);
        const QString indexes = QStringLiteral(
            "SELECT il.name, il.\"unique\", ii.name FROM pragma_index_list('Clienti') il, "
            "pragma_index_info(il.name) ii ORDER BY il.name, ii.seqno");
        QCOMPARE(test::queryRows(m_dir.path(), QStringLiteral("Copia"), indexes),
                 test::queryRows(m_dir.path(), QStringLiteral("Corvane"), indexes));
        auto copy = openEmbedded(m_dir.path(), QStringLiteral("Copia"));
        QCOMPARE(copy->Tables(QStringLiteral("Clienti"))->Columns().size(), 5);
        QCOMPARE(copy->Views(QStringLiteral("vClienti"))->Script(SQLDMOScript_Default, {}, 0),
                 viewScript);
    }

    void columns_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<QString>("datatype");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("allowNulls");
        QTest::addColumn<QString>("identity"); // "seed,increment" or ""
        QTest::addColumn<bool>("inPrimaryKey");
        QTest::addColumn<QString>("defaultText");

        QTest::newRow("bracketed char") << "[C] [char] (10) NOT NULL"
                                        << "char" << 10 << 0 << 0 << false << "" << false << "";
        QTest::newRow("bracketed nchar, no blank")
            << "[C] [nchar](5)"
            << "nchar" << 5 << 0 << 0 << true << "" << false << "";
        QTest::newRow("plain nvarchar") << "C nvarchar(200) NULL"
                                        << "nvarchar" << 200 << 0 << 0 << true << "" << false << "";
        QTest::newRow("char without length") << "C char"
                                             << "char" << 1 << 0 << 0 << true << "" << false << "";
        QTest::newRow("decimal with default")
            << "[C] [decimal] (18, 4) NOT NULL DEFAULT (0)"
            << "decimal" << 0 << 18 << 4 << false << "" << false << "(0)";
        QTest::newRow("numeric without size")
            << "C numeric"
            << "numeric" << 0 << 18 << 0 << true << "" << false << "";
        QTest::newRow("identity") << "[C] [int] IDENTITY (1, 1) NOT NULL"
                                  << "int" << 0 << 0 << 0 << false << "1,1" << false << "";
        QTest::newRow("identity with seed and step")
            << "[C] [int] IDENTITY (100, 5) NOT NULL"
            << "int" << 0 << 0 << 0 << false << "100,5" << false << "";
        QTest::newRow("identity without arguments")
            << "[C] [int] IDENTITY"
            << "int" << 0 << 0 << 0 << true << "1,1" << false << "";
        QTest::newRow("quoted default")
            << "[C] [varchar] (50) NULL DEFAULT ('N')"
            << "varchar" << 50 << 0 << 0 << true << "" << false << "('N')";
        QTest::newRow("default with a quote")
            << "C text DEFAULT 'a''b'"
            << "text" << 0 << 0 << 0 << true << "" << false << "('a''b')";
        QTest::newRow("doubled parentheses")
            << "C int DEFAULT ((0))"
            << "int" << 0 << 0 << 0 << true << "" << false << "((0))";
        QTest::newRow("negative default") << "C int DEFAULT -1"
                                          << "int" << 0 << 0 << 0 << true << "" << false << "(-1)";
        QTest::newRow("function default")
            << "C datetime NOT NULL DEFAULT (getdate())"
            << "datetime" << 0 << 0 << 0 << false << "" << false << "(getdate())";
        QTest::newRow("autoincrement key") << "C integer PRIMARY KEY AUTOINCREMENT"
                                           << "int" << 0 << 0 << 0 << false << "1,1" << true << "";
        QTest::newRow("rowid key without autoincrement")
            << "C integer PRIMARY KEY"
            << "int" << 0 << 0 << 0 << false << "" << true << "";
        QTest::newRow("key column") << "[C] [char] (3) PRIMARY KEY"
                                    << "char" << 3 << 0 << 0 << false << "" << true << "";
    }

    void columns()
    {
        QFETCH(QString, definition);
        test::runSqlScript(m_dir.path(), QStringLiteral("Corvane"),
                           QStringLiteral("CREATE TABLE T (%1)").arg(definition));
        const QList<Column> read = openEmbedded(m_dir.path(), QStringLiteral("Corvane"))
                                       ->Tables(QStringLiteral("T"))
                                       ->Columns();
        QCOMPARE(read.size(), 1);
        const Column& c = read.first();
        QCOMPARE(c.Name, QStringLiteral("C"));
        QTEST(c.Datatype, "datatype");
        QTEST(c.Length, "length");
        QTEST(c.NumericPrecision, "precision");
        QTEST(c.NumericScale, "scale");
        QTEST(c.AllowNulls, "allowNulls");
        QFETCH(QString, identity);
        QCOMPARE(c.Identity, !identity.isEmpty());
        if (c.Identity)
            QCOMPARE(QStringLiteral("%1,%2").arg(c.IdentitySeed).arg(c.IdentityIncrement),
                     identity);
        QTEST(c.InPrimaryKey, "inPrimaryKey");
        QTEST(c.DRIDefaultText, "defaultText");
    }

    void compositeKeyColumnsInOrder()
    {
        test::runSqlScript(m_dir.path(), QStringLiteral("Corvane"),
                           QStringLiteral("CREATE TABLE [Righe] ([Nota] text, [Riga] int, "
                                          "[IDDoc] int, PRIMARY KEY ([IDDoc], [Riga]))"));
        const QList<Column> read = openEmbedded(m_dir.path(), QStringLiteral("Corvane"))
                                       ->Tables(QStringLiteral("Righe"))
                                       ->Columns();
        QCOMPARE(read.size(), 3);
        QCOMPARE(read.at(0).Name, QStringLiteral("Nota"));
        QCOMPARE(read.at(0).InPrimaryKey, false);
        QCOMPARE(read.at(1).InPrimaryKey, true);
        QCOMPARE(read.at(2).InPrimaryKey, true);
    }

    void sameObjectName_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("case") << "Clienti"
                              << "CLIENTI" << true;
        QTest::newRow("trailing") << "Clienti"
                                  << "Clienti   " << true;
        QTest::newRow("leading") << "Clienti"
                                 << " Clienti" << false;
        QTest::newRow("inner blank") << "Righe Ordine"
                                     << "RigheOrdine" << false;
        QTest::newRow("accented case") << "Attività"
                                       << "ATTIVITÀ" << true;
    }

    void sameObjectName()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTEST(schema::sameObjectName(a, b), "same");
    }

    void unreachableSqlServer()
    {
        auto server = createDefaultApplication()->createServer();
        server->setLoginTimeout(5);
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(
            Error, server->Connect(QStringLiteral("127.0.0.1,%1").arg(test::closedLoopbackPort()),
                                   QStringLiteral("sa"), QStringLiteral("x")));
        qInfo("closed port refused in %lld ms", timer.elapsed());
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY_THROWS_EXCEPTION(Error, server->VersionMajor());
    }

    // A server that accepts the connection and never speaks: only the login
    // timeout ends the wait.
    void silentServerGivesUpAtTheLoginTimeout()
    {
        const test::LoopbackSocket silent(true);
        const int port = silent.port();
        QVERIFY(port > 1);

        auto server = createDefaultApplication()->createServer();
        server->setLoginTimeout(2);
        QElapsedTimer timer;
        timer.start();
        QVERIFY_THROWS_EXCEPTION(Error, server->Connect(QStringLiteral("127.0.0.1,%1").arg(port),
                                                        QStringLiteral("sa"), QStringLiteral("x")));
        const qint64 elapsed = timer.elapsed();
        qInfo("silent server given up after %lld ms", elapsed);
        QVERIFY(elapsed >= 1500);
        QVERIFY(elapsed < 10000);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSqlDmo)
#include "test_sqldmo.moc"

// Connections as the program opens them: its SQLOLEDB strings, the embedded
// engine, SQL Server through FreeTDS, and the ODBC path through the SQLite driver.
#include "base/error.h"
#include "db/providererror.h"
#include "dbtesthelpers.h"
#include "support/loopback.h"
#include "support/testplatform.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

using namespace corvane;
using corvane::test::recordsetRows;

namespace {

QString serverString(int port)
{
    return QStringLiteral("Provider=SQLOLEDB;Data Source=127.0.0.1,%1;UID=sa;PWD=Harbor42;"
                          "DATABASE=Corvane")
        .arg(port);
}

std::pair<long, QString> openError(db::Connection& connection, const QString& connectionString)
{
    try {
        connection.Open(connectionString);
    } catch (const corvane::Error& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

// Selects an ODBC driver for the scope of a test.
struct OdbcDriver
{
    explicit OdbcDriver(const char* name) { qputenv("CORVANE_ODBC_DRIVER", name); }
    ~OdbcDriver() { qunsetenv("CORVANE_ODBC_DRIVER"); }
};

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void embeddedDataSource_data();
    void embeddedDataSource();
    void missingDatabaseIsNeverCreated_data();
    void missingDatabaseIsNeverCreated();
    void closeAndReopen();
    void connectionsAreIndependent();
    void executeRaisesProviderText();
    void closedServerPortFailsFast();
    void silentServerFailsWithinLoginTimeout();
    void odbcPathReadsRowsNullsAndErrors();
    void odbcPathNeverCreatesTheFile();
};

void ConnectionTest::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // provider|data source|user|password|database

    QTest::newRow("reference string")
        << "Provider=SQLOLEDB;Data "
           "Source=reference.invalid,1433;UID=sa;PWD=Harbor42;DATABASE=Corvane"
        << "SQLOLEDB|reference.invalid,1433|sa|Harbor42|Corvane";
    QTest::newRow("local string")
        << "Provider=SQLOLEDB;Data Source=SERVER\\SQLEXPRESS;User ID=utente;PWD=;DATABASE=Ditta"
        << "SQLOLEDB|SERVER\\SQLEXPRESS|utente||Ditta";
    QTest::newRow("keys in any case")
        << "provider=SQLOLEDB;DATA SOURCE=sqlite:/tmp/x;user id=u;pwd=p;Database=d"
        << "SQLOLEDB|sqlite:/tmp/x|u|p|d";
    QTest::newRow("equals sign inside a value") << "PWD=a=b;UID=c"
                                                << "||c|a=b|";
    QTest::newRow("values kept as they stand") << "Data Source= srv ;DATABASE=Db "
                                               << "| srv |||Db ";
    QTest::newRow("missing keys, stray text") << "junk;;UID=x"
                                              << "||x||";
}

void ConnectionTest::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const db::ConnectionSpec keys = db::parseConnectionString(text);
    QCOMPARE(QStringList({keys.provider, keys.dataSource, keys.user, keys.password, keys.database})
                 .join('|'),
             expected);
}

void ConnectionTest::embeddedDataSource_data()
{
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QString>("suffix"); // after the folder in Data Source

    QTest::newRow("plain") << "db"
                           << "";
    QTest::newRow("with the port the reference string carries") << "db"
                                                                << ",1433";
    QTest::newRow("blanks and URI characters in the folder") << "dati # 100% &"
                                                             << "";
#ifndef Q_OS_WIN // a name Windows refuses
    QTest::newRow("question mark in the folder") << "dati ?"
                                                 << "";
#endif
    QTest::newRow("comma in the folder") << "a,b"
                                         << "";
}

void ConnectionTest::embeddedDataSource()
{
    QFETCH(QString, subfolder);
    QFETCH(QString, suffix);
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(subfolder);
    QVERIFY(QDir().mkpath(folder));
    corvane::test::runSqlScript(folder, "Corvane", "CREATE TABLE Parametri (Valore text);");
    db::Connection connection;
    QCOMPARE(connection.State(), db::adStateClosed);
    connection.Open("Provider=SQLOLEDB;Data Source=sqlite:" + folder + suffix +
                    ";User ID=sa;PWD=;DATABASE=Corvane");
    QCOMPARE(connection.State(), db::adStateOpen);
    QVERIFY(connection.isEmbedded());
    QCOMPARE(recordsetRows(connection, "SELECT TABLE_CATALOG, TABLE_NAME FROM "
                                       "INFORMATION_SCHEMA.TABLES"),
             QStringList{"Corvane|Parametri"});
}

void ConnectionTest::missingDatabaseIsNeverCreated_data()
{
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QString>("database");
    QTest::newRow("missing file") << ""
                                  << "Manca";
    QTest::newRow("missing folder") << "nessuna/cartella"
                                    << "Corvane";
    QTest::newRow("empty database name") << ""
                                         << "";
}

void ConnectionTest::missingDatabaseIsNeverCreated()
{
    QFETCH(QString, subfolder);
    QFETCH(QString, database);
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath(subfolder);
    db::Connection connection;
    const auto [number, text] =
        openError(connection, "Provider=SQLOLEDB;Data Source=sqlite:" + folder +
                                  ";User ID=sa;PWD=;DATABASE=" + database);
    QCOMPARE(number, errnum::ProviderFailure);
    QCOMPARE(text, "unable to open database file");
    QCOMPARE(connection.State(), db::adStateClosed);
    QVERIFY(!QFileInfo::exists(QDir(folder).filePath(database + ".db")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
}

void ConnectionTest::closeAndReopen()
{
    corvane::test::EmbeddedDb db("CREATE TABLE t (x int); INSERT INTO t VALUES (4);");
    db.conn().Close();
    QCOMPARE(db.conn().State(), db::adStateClosed);
    db.conn().Open(db.connectionString());
    QCOMPARE(recordsetRows(db.conn(), "SELECT x FROM t"), QStringList{"4"});
    // The new handle carries the layer again.
    QCOMPARE(recordsetRows(db.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES"),
             QStringList{"t"});
    QCOMPARE(openError(db.conn(), db.connectionString()).first, db::adoerr::ObjectOpen);
}

void ConnectionTest::connectionsAreIndependent()
{
    corvane::test::EmbeddedDb local("CREATE TABLE Locale (x int);");
    corvane::test::EmbeddedDb reference("CREATE TABLE Riferimento (y int);");
    auto second = std::make_unique<db::Connection>();
    second->Open(local.connectionString());
    second.reset();
    QCOMPARE(recordsetRows(local.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES"),
             QStringList{"Locale"});
    QCOMPARE(recordsetRows(reference.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES"),
             QStringList{"Riferimento"});
}

void ConnectionTest::executeRaisesProviderText()
{
    corvane::test::EmbeddedDb db("CREATE TABLE t (x int NOT NULL);");
    try {
        db.conn().Execute("INSERT INTO t VALUES (NULL)");
        QFAIL("no error raised");
    } catch (const corvane::Error& e) {
        QCOMPARE(e.number(), errnum::ProviderFailure);
        QCOMPARE(e.description(), "NOT NULL constraint failed: t.x");
    }
}

void ConnectionTest::closedServerPortFailsFast()
{
    const int port = test::closedLoopbackPort();
    db::Connection connection;
    QElapsedTimer clock;
    clock.start();
    const auto [number, text] = openError(connection, serverString(port));
    QCOMPARE(number, errnum::ProviderFailure);
    QVERIFY2(text.contains("[FreeTDS]"), qPrintable(text));
    QVERIFY2(text.contains("Unable to connect"), qPrintable(text));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(connection.State(), db::adStateClosed);
}

void ConnectionTest::silentServerFailsWithinLoginTimeout()
{
    test::LoopbackSocket silent(true);
    db::Connection connection;
    connection.setLoginTimeout(2);
    QElapsedTimer clock;
    clock.start();
    const auto [number, text] = openError(connection, serverString(silent.port()));
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(number, errnum::ProviderFailure);
    QVERIFY2(text.contains("[FreeTDS]"), qPrintable(text));
    QVERIFY2(elapsed >= 1500 && elapsed < 8000, qPrintable(QString::number(elapsed)));
    qInfo("silent server: %lld ms, \"%s\"", elapsed, qPrintable(text));
}

void ConnectionTest::odbcPathReadsRowsNullsAndErrors()
{
    OdbcDriver driver("SQLite3");
    QTemporaryDir dir;
    corvane::test::runSqlScript(dir.path(), "Rif",
                                "CREATE TABLE Parametri (IDParametro int, Valore varchar(20));"
                                "INSERT INTO Parametri VALUES (1, '2.5');"
                                "INSERT INTO Parametri VALUES (2, NULL);");
    db::Connection connection;
    // The driver is the build machine's under wine too: it opens its own path.
    connection.Open("Provider=SQLOLEDB;Data Source=reference.invalid,1433;UID=sa;PWD=x;"
                    "DATABASE=" +
                    test::hostPath(QDir(dir.path()).filePath("Rif.db")));
    QVERIFY(!connection.isEmbedded());
    QCOMPARE(recordsetRows(connection, "Select Valore FROM Parametri ORDER BY IDParametro"),
             (QStringList{"2.5", "<null>"}));
#ifndef Q_OS_WIN
    // The driver's SQLite is this program's only where both load the one
    // shared libsqlite3 (Linux): only there does INFORMATION_SCHEMA reach it.
    QCOMPARE(recordsetRows(connection, "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE "
                                       "TABLE_TYPE = 'BASE TABLE' and TABLE_NAME='PARAMETRI' "),
             QStringList{"Parametri"});
#endif
    db::Recordset rs;
    try {
        rs.Open("Select * FROM Manca", connection, db::adOpenStatic, db::adLockReadOnly);
        QFAIL("no error raised");
    } catch (const corvane::Error& e) {
        QCOMPARE(e.number(), errnum::ProviderFailure);
        QVERIFY2(e.description().contains("no such table: Manca"), qPrintable(e.description()));
    }
}

void ConnectionTest::odbcPathNeverCreatesTheFile()
{
    OdbcDriver driver("SQLite3");
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath("Manca.db");
    db::Connection connection;
    const auto [number, text] = openError(
        connection, "Provider=SQLOLEDB;Data Source=x;UID=sa;PWD=;DATABASE=" + test::hostPath(file));
    QCOMPARE(number, errnum::ProviderFailure);
    QVERIFY(!text.isEmpty());
    QVERIFY(!QFileInfo::exists(file));
}

QTEST_GUILESS_MAIN(ConnectionTest)
#include "test_connection.moc"

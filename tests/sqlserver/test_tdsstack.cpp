// The client stack (QODBC, unixODBC, FreeTDS) against the TDS test server:
// logins, every value type the program reads, errors, row counts, the RPCs of
// parameterised statements and attention, each seen from both ends.
#include "base/error.h"
#include "db/connection.h"
#include "db/providererror.h"
#include "db/recordset.h"
#include "sqlservertesthelpers.h"
#include "support/testplatform.h"

#include <QtTest>

using namespace corvane;
using corvane::test::TdsRule;
using corvane::test::TdsTestServer;

class TestTdsStack : public QObject
{
    Q_OBJECT
private slots:
    void sessionOfAConnection();
    void valuesWithSeparatorsReachTheServerWhole_data();
    void valuesWithSeparatorsReachTheServerWhole();
    void odbcOptionsReachTheDriver();
    void loginRefused_data();
    void loginRefused();
    void valuesOfEveryType_data();
    void valuesOfEveryType();
    void serverErrorReachesTheCaller_data();
    void serverErrorReachesTheCaller();
    void parameterisedRowWrites();
    void changeOfOneRowAmongSeveral();
    void rowNotFoundForUpdate();
    void closingEarlySendsAttention();
    void unexpectedStatementIsNamed();
};

void TestTdsStack::sessionOfAConnection()
{
    TdsTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    QCOMPARE(c.State(), db::adStateOpen);
    // What Qt's ODBC driver and FreeTDS say on their own when a connection
    // opens ("SET QUOTED_IDENTIFIER ON", type information) is answered by the
    // server's session rules; what they say varies with their versions.
    QCOMPARE(server.transcript(), QStringLiteral("[1] login sa@Corvane\n"));
    QCOMPARE(server.unexpected(), QStringList());
    for (const test::TdsRequest& r : server.requests(true))
        QVERIFY2(r.kind == u"login" || r.kind == u"attention" || r.session, qPrintable(r.text));
}

void TestTdsStack::valuesWithSeparatorsReachTheServerWhole_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::newRow("semicolon in the password") << "ab;cd"
                                               << "Corvane";
    QTest::newRow("semicolons in a row") << "a;;b;"
                                         << "Corvane";
    QTest::newRow("braces in the password") << "{a}b}"
                                            << "Corvane";
    QTest::newRow("equals sign in the password") << "a=b;c=d"
                                                 << "Corvane";
    QTest::newRow("semicolon in the database") << "Harbor42"
                                               << "Ditta;Nord";
    QTest::newRow("brace in the database") << "Harbor42"
                                           << "Ditta{2}";
}

// The program pastes the values into its connection string unquoted; they
// reach the driver brace-quoted, and the server receives them as they were.
void TestTdsStack::valuesWithSeparatorsReachTheServerWhole()
{
    QFETCH(QString, password);
    QFETCH(QString, database);
    // A Windows program doubles a closing brace for the driver, as ODBC
    // defines; wine hands the string to the build machine's unixODBC, which
    // passes braced values on as they stand (see odbcValue).
    if (test::underWine() && (password + database).contains(u'}'))
        QSKIP("under wine a Windows program's braces meet unixODBC's rules");
    TdsTestServer server;
    server.setLogins({{QStringLiteral("sa"), password}});
    server.setDatabases({database});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    const auto [number, text] = test::failureOf(
        [&] { c.Open(test::sqlServerString(server, database, QStringLiteral("sa"), password)); });
    QVERIFY2(number == 0, qPrintable(text));
    QCOMPARE(server.transcript(), QStringLiteral("[1] login sa@%1\n").arg(database));
}

// CORVANE_ODBC_OPTIONS goes to the driver after the program's own keywords.
void TestTdsStack::odbcOptionsReachTheDriver()
{
    TdsTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errors()));
    qputenv("CORVANE_ODBC_OPTIONS", "APP=Corvane Prova;TDS_Version=7.4");
    db::Connection withOptions;
    withOptions.Open(test::sqlServerString(server));
    qunsetenv("CORVANE_ODBC_OPTIONS");
    db::Connection without;
    without.Open(test::sqlServerString(server));
    const QList<test::TdsRequest> logins = server.requests();
    QCOMPARE(logins.size(), 2);
    QCOMPARE(logins.at(0).values, (QStringList{"app=Corvane Prova", "tds=7.4"}));
    QVERIFY(!logins.at(1).values.contains(QStringLiteral("app=Corvane Prova")));
    QVERIFY(logins.at(1).values.contains(QStringLiteral("tds=7.2")));

    // The README's keyword for FreeTDS: this server offers no encryption, so
    // a connection that requires it is refused before the login.
    qputenv("CORVANE_ODBC_OPTIONS", "Encryption=require");
    db::Connection encrypted;
    const auto [number, text] =
        test::failureOf([&] { encrypted.Open(test::sqlServerString(server)); });
    qunsetenv("CORVANE_ODBC_OPTIONS");
    QCOMPARE(number, errnum::ProviderFailure);
    QCOMPARE(server.requests().size(), 2);
}

void TestTdsStack::loginRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("serverText");
    QTest::addColumn<QString>("answer");
    QTest::newRow("wrong password") << "Harbor4"
                                    << "Corvane"
                                    << "[FreeTDS][SQL Server]Login failed for user 'sa'."
                                    << "error 18456";
    QTest::newRow("unknown database")
        << "Harbor42"
        << "Nowhere"
        << "[FreeTDS][SQL Server]Cannot open database \"Nowhere\" requested by the login. The "
           "login failed."
        << "error 4060";
}

void TestTdsStack::loginRefused()
{
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(QString, serverText);
    QFETCH(QString, answer);
    TdsTestServer server;
    server.setLogins({{QStringLiteral("sa"), QStringLiteral("Harbor42")}});
    server.setDatabases({QStringLiteral("Corvane"), QStringLiteral("master")});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    const auto [number, text] = test::failureOf([&] {
        c.Open(QStringLiteral("Provider=SQLOLEDB;Data Source=%1;UID=sa;PWD=%2;DATABASE=%3")
                   .arg(server.dataSource(), password, database));
    });
    QCOMPARE(number, errnum::ProviderFailure);
    QVERIFY2(text.contains(serverText), qPrintable(text));
    QCOMPARE(c.State(), db::adStateClosed);
    const QList<test::TdsRequest> requests = server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().answer, answer);
}

void TestTdsStack::valuesOfEveryType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("sent");
    QTest::addColumn<QString>("read"); // "<null>" for NULL

    const QString longText = QString(9000, u'x') + QStringLiteral("è");
    QTest::newRow("int") << "int" << QVariant(-2147483647) << "-2147483647";
    QTest::newRow("smallint") << "smallint" << QVariant(-7) << "-7";
    QTest::newRow("tinyint") << "tinyint" << QVariant(200) << "200";
    QTest::newRow("bigint") << "bigint" << QVariant(9000000000LL) << "9000000000";
    QTest::newRow("bit") << "bit" << QVariant(1) << "1";
    QTest::newRow("decimal") << "decimal(18,4)" << QVariant("-12.3400") << "-12.3400";
    QTest::newRow("numeric, large") << "numeric(38,2)" << QVariant("123456789012345678901234.56")
                                    << "123456789012345678901234.56";
    QTest::newRow("datetime") << "datetime" << QVariant("2024-02-29T13:45:30.500")
                              << "2024-02-29T13:45:30.500";
    QTest::newRow("varchar") << "varchar(20)" << QVariant("l'anno") << "l'anno";
    QTest::newRow("varchar, Latin-1") << "varchar(20)" << QVariant("Perché") << "Perché";
    QTest::newRow("nvarchar") << "nvarchar(30)" << QVariant("Città € ✓") << "Città € ✓";
    // As wide as the column, and longer in UTF-8 than in characters.
    QTest::newRow("varchar, full, accents") << "varchar(5)" << QVariant("Città") << "Città";
    QTest::newRow("nvarchar, full, accents")
        << "nvarchar(10)" << QVariant(QString(10, u'è')) << QString(10, u'è');
    QTest::newRow("char pads") << "char(5)" << QVariant("ab") << "ab   ";
    QTest::newRow("nchar pads") << "nchar(3)" << QVariant("é") << "é  ";
    QTest::newRow("varchar(max)") << "varchar(max)" << QVariant(QString(9000, u'y'))
                                  << QString(9000, u'y');
    QTest::newRow("nvarchar(max)") << "nvarchar(max)" << QVariant(longText) << longText;
    QTest::newRow("nvarchar(max), empty") << "nvarchar(max)" << QVariant(QString()) << "";
    for (const char* type : {"int", "bit", "decimal(18,4)", "datetime", "varchar(10)",
                             "nvarchar(10)", "nchar(2)", "nvarchar(max)"})
        QTest::newRow(qPrintable(QStringLiteral("NULL %1").arg(QLatin1String(type))))
            << QString::fromLatin1(type) << QVariant() << "<null>";
}

void TestTdsStack::valuesOfEveryType()
{
    QFETCH(QString, type);
    QFETCH(QVariant, sent);
    QFETCH(QString, read);
    const QString sql = QStringLiteral("SELECT v FROM Valori");
    // An empty text is sent as text, not as NULL.
    const QVariant value = sent.isNull() && type.contains(u"max") && read.isEmpty()
                               ? QVariant(QStringLiteral(""))
                               : sent;
    TdsTestServer server;
    server.setRules({TdsRule::exact(sql).columns({{"v", type}}).row({value}).row({value})});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    for (const int cursor : {db::adOpenStatic, db::adOpenForwardOnly}) {
        db::Recordset rs;
        rs.Open(sql, c, cursor, db::adLockReadOnly);
        for (int row = 0; row < 2; ++row) {
            QVERIFY(!rs.Eof());
            QCOMPARE(test::shownValue(rs.field(QStringLiteral("v"))), read);
            rs.MoveNext();
        }
        QVERIFY(rs.Eof());
        rs.Close();
    }
    QCOMPARE(server.unexpected(), QStringList());
}

void TestTdsStack::serverErrorReachesTheCaller_data()
{
    QTest::addColumn<bool>("asQuery");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("query") << true << 208 << "Invalid object name 'Parametri'.";
    QTest::newRow("statement") << false << 2714
                               << "There is already an object named 'Clienti' in the database.";
}

void TestTdsStack::serverErrorReachesTheCaller()
{
    QFETCH(bool, asQuery);
    QFETCH(int, number);
    QFETCH(QString, text);
    const QString sql = QStringLiteral("CREATE TABLE [Clienti] ([a] [int] NULL)");
    TdsTestServer server;
    server.setRules({TdsRule::exact(sql).error(number, text)});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    const auto [errorNumber, description] = test::failureOf([&] {
        if (asQuery) {
            db::Recordset rs;
            rs.Open(sql, c, db::adOpenStatic, db::adLockReadOnly);
        } else {
            c.Execute(sql);
        }
    });
    QCOMPARE(errorNumber, errnum::ProviderFailure);
    QCOMPARE(description, QStringLiteral("[FreeTDS][SQL Server]") + text);
    // The connection is still usable after a failed statement.
    server.addRules({TdsRule::exact(QStringLiteral("SELECT 1")).columns({{"", "int"}}).row({1})});
    QCOMPARE(c.select(QStringLiteral("SELECT 1")).at(0).at(0).toInt(), 1);
}

// AddNew/Update and a change of the current row become parameterised
// statements: their types and values on the wire.
void TestTdsStack::parameterisedRowWrites()
{
    const QString source = QStringLiteral("Select * FROM Righe where Codice = 'A'");
    TdsTestServer server;
    server.setRules({TdsRule::exact(source).columns({{"Codice", "varchar(10)"},
                                                     {"Nota", "nvarchar(50)"},
                                                     {"Data", "datetime"},
                                                     {"Quantita", "int"},
                                                     {"Sconto", "smallint"},
                                                     {"Prezzo", "float"},
                                                     {"Attivo", "bit"}}),
                     TdsRule::like(QStringLiteral("INSERT INTO Righe .*")).rowCount(1),
                     TdsRule::like(QStringLiteral("UPDATE Righe .*")).rowCount(1)});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    db::Recordset rs;
    rs.Open(source, c, db::adOpenStatic, db::adLockPessimistic);
    rs.AddNew();
    rs.setField(QStringLiteral("Codice"), QStringLiteral("A"));
    rs.setField(QStringLiteral("Nota"), QStringLiteral("l'òrdine \"primo\" €"));
    rs.setField(QStringLiteral("Data"), QDate(2024, 2, 29));
    rs.setField(QStringLiteral("Quantita"), 12);
    rs.setField(QStringLiteral("Sconto"), QVariant::fromValue(qint16(-3)));
    rs.setField(QStringLiteral("Prezzo"), 2.5);
    rs.setField(QStringLiteral("Attivo"), true);
    rs.Update();
    rs.setField(QStringLiteral("Nota"), QVariant());
    rs.Update();
    rs.Close();
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("stack_row_writes.txt"));
}

// A change to one of several selected rows names that row by every value it
// was read with: a NULL as IS NULL, the rest as parameters of their own types,
// a date and time to the millisecond (Qt's ODBC driver takes the precision
// from the driver's type information, which FreeTDS gives only while the
// driver manager's names are not linked into the program).
void TestTdsStack::changeOfOneRowAmongSeveral()
{
    if (test::underWine())
        QSKIP("under wine's ODBC bridge to unixODBC the datetime parameter arrives without its "
              "milliseconds; only a real Windows with its SQL Server driver can tell");
    const QString source = QStringLiteral("Select * FROM InfoAggiornamenti where nome = 'ROSSI'");
    TdsTestServer server;
    server.setRules({TdsRule::exact(source)
                         .columns({{"IDInfo", "int"},
                                   {"Nome", "nvarchar(100)"},
                                   {"Data", "datetime"},
                                   {"Versione", "nvarchar(20)"}})
                         .row({1, "ROSSI", "2023-05-02T09:30:00.997", QVariant()})
                         .row({2, "ROSSI", "2024-01-15T00:00:00", "2.0"}),
                     TdsRule::like(QStringLiteral("UPDATE InfoAggiornamenti SET .*")).rowCount(1)});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    db::Recordset rs;
    rs.Open(source, c, db::adOpenStatic, db::adLockPessimistic);
    rs.setField(QStringLiteral("Versione"), QStringLiteral("2.1"));
    rs.Update();
    rs.MoveNext();
    rs.setField(QStringLiteral("Versione"), QStringLiteral("2.1"));
    rs.Update();
    QCOMPARE(server.unexpected(), QStringList());
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("stack_row_among_several.txt"));
}

void TestTdsStack::rowNotFoundForUpdate()
{
    const QString source = QStringLiteral("Select * FROM Parametri where IDParametro = 1");
    TdsTestServer server;
    server.setRules({TdsRule::exact(source).columns({{"Valore", "nvarchar(50)"}}).row({"2.0"}),
                     TdsRule::like(QStringLiteral("UPDATE Parametri .*")).rowCount(0)});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    db::Recordset rs;
    rs.Open(source, c, db::adOpenStatic, db::adLockPessimistic);
    rs.setField(QStringLiteral("Valore"), QStringLiteral("2.1"));
    const auto [number, text] = test::failureOf([&] { rs.Update(); });
    QCOMPARE(number, db::adoerr::RowNotLocated);
}

// A forward-only result closed before its end: FreeTDS cancels the rest with
// an attention, and the connection serves the next statement.
void TestTdsStack::closingEarlySendsAttention()
{
    const QString sql = QStringLiteral("SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns");
    TdsTestServer server;
    server.setRules(
        {TdsRule::exact(sql).columns({{"COLUMN_NAME", "sysname"}}).row({"a"}).row({"b"}).row({"c"}),
         TdsRule::exact(QStringLiteral("SELECT 1")).columns({{"", "int"}}).row({1})});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    auto rs = std::make_unique<db::Recordset>();
    rs->Open(sql, c, db::adOpenForwardOnly, db::adLockReadOnly);
    QCOMPARE(rs->field(QStringLiteral("COLUMN_NAME")).toString(), QStringLiteral("a"));
    rs->Close();
    QCOMPARE(c.select(QStringLiteral("SELECT 1")).size(), size_t(1));
    const QList<test::TdsRequest> requests = server.requests();
    QCOMPARE(requests.size(), 4);
    QCOMPARE(requests.at(2).kind, QStringLiteral("attention"));
}

void TestTdsStack::unexpectedStatementIsNamed()
{
    TdsTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    const auto [number, text] = test::failureOf([&] { c.Execute(QStringLiteral("DROP TABLE x")); });
    QVERIFY2(text.contains(QStringLiteral("unexpected statement: DROP TABLE x")), qPrintable(text));
    QCOMPARE(server.unexpected(), QStringList{QStringLiteral("DROP TABLE x")});
}

QTEST_GUILESS_MAIN(TestTdsStack)
#include "test_tdsstack.moc"

// The schema component on SQL Server through the client stack: its catalogue
// reads on the TDS test server, and the scripts it writes from them, which
// must be the T-SQL writer's own golden scripts. Also the statement discipline
// that the catalogue reader relies on.
#include "base/error.h"
#include "corvanedatabase.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "schema/sqldmo_sqlserver.h"
#include "sqlservertesthelpers.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace corvane;
using corvane::test::TdsRule;
using corvane::test::TdsTestServer;
using namespace corvane::test;

namespace {

// The table of the writer's "every type" golden script, as the catalogue lists it.
TdsRule everyTypeColumns()
{
    const QString db = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");
    TdsRule r = TdsRule::like(kColumnsLike).columns(catalogueColumns());
    const QList<QVariantList> rows = {
        catalogueColumn("cInt", "int", 4, 10, 0, false),
        catalogueColumn("cBigint", "bigint", 8, 19, 0, true),
        catalogueColumn("cSmallint", "smallint", 2, 5, 0, true),
        catalogueColumn("cTinyint", "tinyint", 1, 3, 0, true),
        catalogueColumn("cBit", "bit", 1, 1, 0, false),
        catalogueColumn("cDecimal", "decimal", 9, 18, 4, true),
        catalogueColumn("cNumeric", "numeric", 5, 9, 0, true),
        catalogueColumn("cMoney", "money", 8, 19, 4, true),
        catalogueColumn("cSmallmoney", "smallmoney", 4, 10, 4, true),
        catalogueColumn("cFloat", "float", 8, 53, 0, true),
        catalogueColumn("cReal", "real", 4, 24, 0, true),
        catalogueColumn("cDatetime", "datetime", 8, 23, 3, true),
        catalogueColumn("cSmalldatetime", "smalldatetime", 4, 16, 0, true),
        catalogueColumn("cDate", "date", 3, 10, 0, true),
        catalogueColumn("cTime", "time", 5, 16, 7, true),
        catalogueColumn("cDatetime2", "datetime2", 7, 23, 3, true),
        catalogueColumn("cDatetimeoffset", "datetimeoffset", 10, 34, 7, true),
        catalogueColumn("cChar", "char", 10, 0, 0, true, db),
        catalogueColumn("cVarchar", "varchar", 50, 0, 0, true, db),
        catalogueColumn("cVarcharMax", "varchar", -1, 0, 0, true, db),
        catalogueColumn("cText", "text", 16, 0, 0, true, db),
        catalogueColumn("cNchar", "nchar", 10, 0, 0, true, db),
        catalogueColumn("cNvarchar", "nvarchar", 200, 0, 0, true, db),
        catalogueColumn("cNvarcharMax", "nvarchar", -1, 0, 0, true, db),
        catalogueColumn("cNtext", "ntext", 16, 0, 0, true, db),
        catalogueColumn("cBinary", "binary", 16, 0, 0, true),
        catalogueColumn("cVarbinary", "varbinary", 200, 0, 0, true),
        catalogueColumn("cVarbinaryMax", "varbinary", -1, 0, 0, true),
        catalogueColumn("cImage", "image", 16, 0, 0, true),
        catalogueColumn("cGuid", "uniqueidentifier", 16, 0, 0, true),
        catalogueColumn("cTimestamp", "timestamp", 8, 0, 0, false),
        catalogueColumn("cXml", "xml", -1, 0, 0, true),
        catalogueColumn("cVariant", "sql_variant", 8016, 0, 0, true),
        catalogueColumn("cGeo", "geography", -1, 0, 0, true)};
    for (const QVariantList& row : rows)
        r.row(row);
    return r;
}

// The table of the writer's "keys and defaults" golden script.
QList<TdsRule> keysAndDefaultsCatalogue()
{
    const QVariantList riga = withIdentity(catalogueColumn("Riga", "int", 4, 10, 0, false), 100, 5);
    QVariantList importo = catalogueColumn("Importo", "decimal", 9, 18, 4, true);
    importo[10] = QStringLiteral("([Quantita]*(2))");
    TdsRule columns = TdsRule::like(kColumnsLike).columns(catalogueColumns());
    const QList<QVariantList> rows = {
        catalogueColumn("IDDocumento", "int", 4, 10, 0, false),
        riga,
        withDefault(
            catalogueColumn("Codice", "char", 10, 0, 0, false, "SQL_Latin1_General_CP1_CI_AS"),
            "DF_Righe_Codice", false, "('')"),
        withDefault(catalogueColumn("Stato", "nchar", 2, 0, 0, true, "latin1_general_ci_as"),
                    "DF__Righe__Stato__25869641", true, "('N')"),
        withDefault(catalogueColumn("Nota", "varchar", 50, 0, 0, true, "Latin1_General_CS_AS"),
                    "DF__Righe__Nota__267ABA7A", true, "('it''s (ok)')"),
        withDefault(catalogueColumn("Quantita", "decimal", 9, 18, 4, false),
                    "DF__Righe__Quanti__276EDEB3", true, "((0))"),
        withDefault(catalogueColumn("Data", "datetime", 8, 23, 3, false), "DF_Righe_Data", false,
                    "(getdate())"),
        importo};
    for (const QVariantList& row : rows)
        columns.row(row);
    TdsRule keys = TdsRule::like(kKeysLike)
                       .columns(catalogueKeys())
                       .row({1, "PK_Righe", 1, 1, 0, "IDDocumento", 0})
                       .row({1, "PK_Righe", 1, 1, 0, "Riga", 0})
                       .row({2, "UQ_Righe_Codice", 0, 2, 0, "Codice", 0})
                       .row({2, "UQ_Righe_Codice", 0, 2, 0, "Data", 1})
                       .row({3, "UQ__Righe__A9D1053E4F7CD00D", 0, 2, 1, "Nota", 0});
    return {collationRule(QStringLiteral("Latin1_General_CI_AS")), columns, keys};
}

// What every script of the component starts with: the server object's
// connection to master, the database looked up there, its own connection.
QList<TdsRule> serverAndDatabase()
{
    return {databaseRule(QStringLiteral("Corvane"))};
}

// The component connected to a server that answers with these rules; null
// when the server did not start.
std::shared_ptr<schema::SqlServer> componentOn(TdsTestServer& server, const QList<TdsRule>& rules)
{
    server.setRules(rules);
    if (!server.start()) return nullptr;
    return schema::connectSqlServer(server.dataSource(), QStringLiteral("sa"),
                                    QStringLiteral("Harbor42"), 20);
}

// The table Righe of the writer's "keys and defaults" script.
QList<TdsRule> righe()
{
    return serverAndDatabase() << objectRule(kTablesLike, 1002, QStringLiteral("Righe"))
                               << keysAndDefaultsCatalogue();
}

QString tsqlGolden(const QString& file)
{
    QFile f(test::testSourcePath(QStringLiteral("schema/golden/tsql/") + file));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString withLf(QString script)
{
    return script.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void openResultBlocksTheNextStatementInTheClient();
    void forwardOnlyResultIsTakenInBeforeTheNextStatement();
    void errorInATakenInResultIsRaisedWhereItHappened();
    void tableScriptFromTheCatalogue_data();
    void tableScriptFromTheCatalogue();
    void catalogueConversation();
    void viewScriptKeepsALongDefinition();
    void columnsOfATable();
    void missingObjectsAndLogins_data();
    void missingObjectsAndLogins();
    void serverVersion();
};

// The pattern the catalogue reader once had, straight on Qt's ODBC driver: a
// result still open when the next statement goes out on the same connection.
// FreeTDS refuses it in the client; the second query never reaches the server.
void TestCatalogue::openResultBlocksTheNextStatementInTheClient()
{
    TdsTestServer server;
    server.setRules({collationRule(QStringLiteral("SQL_Latin1_General_CP1_CI_AS")),
                     TdsRule::exact(QStringLiteral("SELECT 2")).columns({{"", "int"}}).row({2})});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    QSqlQuery first(c.database());
    first.setForwardOnly(true);
    QVERIFY(first.exec(kCollationSql));
    QVERIFY(first.next());
    QSqlQuery second(c.database());
    second.setForwardOnly(true);
    QVERIFY(!second.exec(QStringLiteral("SELECT 2")));
    QVERIFY2(second.lastError().text().contains(QStringLiteral("Invalid cursor state")),
             qPrintable(second.lastError().text()));
    for (const test::TdsRequest& r : server.requests())
        QVERIFY(r.text != u"SELECT 2");
}

// Through the database layer the same sequence works for every kind of
// statement, and the first result still gives all its rows, in order.
void TestCatalogue::forwardOnlyResultIsTakenInBeforeTheNextStatement()
{
    const QString list = QStringLiteral("SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns");
    const QString lookup = QStringLiteral("Select * FROM Parametri where IDParametro = 1");
    TdsTestServer server;
    server.setRules({TdsRule::exact(list)
                         .columns({{"COLUMN_NAME", "sysname"}})
                         .row({"a"})
                         .row({"b"})
                         .row({"c"})
                         .row({"d"}),
                     TdsRule::exact(lookup)
                         .columns({{"IDParametro", "int"}, {"Valore", "nvarchar(50)"}})
                         .row({1, "2.0"}),
                     TdsRule::like(QStringLiteral("UPDATE Parametri SET .*")).rowCount(1),
                     TdsRule::exact(QStringLiteral("CREATE VIEW v AS SELECT 1 AS a"))});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    db::Recordset stream;
    stream.Open(list, c, db::adOpenForwardOnly, db::adLockReadOnly);
    QStringList read{stream.field(QStringLiteral("COLUMN_NAME")).toString()};

    db::Recordset row;
    row.Open(lookup, c, db::adOpenStatic, db::adLockPessimistic);
    stream.MoveNext();
    read << stream.field(QStringLiteral("COLUMN_NAME")).toString();
    row.setField(QStringLiteral("Valore"), QStringLiteral("2.1"));
    row.Update();
    c.Execute(QStringLiteral("CREATE VIEW v AS SELECT 1 AS a"));
    for (stream.MoveNext(); !stream.Eof(); stream.MoveNext())
        read << stream.field(QStringLiteral("COLUMN_NAME")).toString();
    QCOMPARE(read, (QStringList{"a", "b", "c", "d"}));
    QCOMPARE(server.unexpected(), QStringList());
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("discipline.txt"));
}

// A result that fails half-way, taken in because another statement needed
// the connection: its rows come first, then the server's error, at the row
// where the reader would have met it.
void TestCatalogue::errorInATakenInResultIsRaisedWhereItHappened()
{
    const QString list = QStringLiteral("SELECT Quota FROM Rate");
    TdsTestServer server;
    server.setRules({TdsRule::exact(list)
                         .columns({{"Quota", "int"}})
                         .row({1})
                         .row({2})
                         .row({3})
                         .error(8134, QStringLiteral("Divide by zero error encountered.")),
                     TdsRule::exact(QStringLiteral("SELECT 2")).columns({{"", "int"}}).row({2})});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    db::Connection c;
    c.Open(test::sqlServerString(server));
    db::Recordset stream;
    stream.Open(list, c, db::adOpenForwardOnly, db::adLockReadOnly);
    QCOMPARE(c.select(QStringLiteral("SELECT 2")).size(), size_t(1));
    QList<int> read;
    const auto [number, text] = test::failureOf([&] {
        for (; !stream.Eof(); stream.MoveNext())
            read << stream.field(QStringLiteral("Quota")).toInt();
    });
    QCOMPARE(read, (QList<int>{1, 2, 3}));
    QCOMPARE(text, QStringLiteral("[FreeTDS][SQL Server]Divide by zero error encountered."));
}

void TestCatalogue::tableScriptFromTheCatalogue_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("script2Type");
    QTest::addColumn<QString>("goldenFile");
    QTest::newRow("every type") << 0 << schema::SQLDMOScript2_Default << "types_all.sql";
    QTest::newRow("every type, 7.0") << 0 << schema::SQLDMOScript2_70Only << "types_all_70only.sql";
    QTest::newRow("keys and defaults") << 1 << schema::SQLDMOScript2_Default << "keys_defaults.sql";
    QTest::newRow("keys and defaults, 7.0")
        << 1 << schema::SQLDMOScript2_70Only << "keys_defaults_70only.sql";
}

// The catalogue rows of a table, through the stack, give the writer's golden scripts.
void TestCatalogue::tableScriptFromTheCatalogue()
{
    QFETCH(int, table);
    QFETCH(int, script2Type);
    QFETCH(QString, goldenFile);
    TdsTestServer server;
    QList<TdsRule> rules = serverAndDatabase();
    if (table == 0) {
        rules << objectRule(kTablesLike, 1001, QStringLiteral("Tipi"))
              << collationRule(QStringLiteral("SQL_Latin1_General_CP1_CI_AS")) << everyTypeColumns()
              << TdsRule::like(kKeysLike).columns(catalogueKeys());
    } else {
        rules = righe();
    }
    const auto dmo = componentOn(server, rules);
    QVERIFY2(dmo, qPrintable(server.errors()));
    const QString name = table == 0 ? QStringLiteral("Tipi") : QStringLiteral("Righe");
    const QString script = dmo->Databases(QStringLiteral("Corvane"))
                               ->Tables(name)
                               ->Script(schema::SQLDMOScript_Default, {}, {}, script2Type);
    QCOMPARE(withLf(script), tsqlGolden(goldenFile));
    QCOMPARE(server.unexpected(), QStringList());
}

// Every statement of one table script, in order, on the wire: the
// collation, columns and keys queries follow each other on one connection.
void TestCatalogue::catalogueConversation()
{
    TdsTestServer server;
    const auto dmo = componentOn(server, righe());
    QVERIFY2(dmo, qPrintable(server.errors()));
    dmo->Databases(QStringLiteral("corvane"))
        ->Tables(QStringLiteral("Righe"))
        ->Script(schema::SQLDMOScript_Default, {}, {}, schema::SQLDMOScript2_Default);
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("catalogue_table.txt"));
}

// A view's definition comes back whole however long it is; Qt's own reading
// through FreeTDS gave NULL past 255 characters, and the view was never created.
void TestCatalogue::viewScriptKeepsALongDefinition()
{
    QString definition = QStringLiteral("CREATE VIEW [dbo].[VCommesseAperte] AS\r\nSELECT ");
    for (int i = 0; i < 60; ++i)
        definition += QStringLiteral("c.Campo%1, ").arg(i);
    definition += QStringLiteral("'città' AS Luogo\r\nFROM dbo.Commesse c WHERE c.Chiusa = 0");
    TdsTestServer server;
    const auto dmo = componentOn(
        server,
        serverAndDatabase()
            << objectRule(kViewsLike, 2001, QStringLiteral("VCommesseAperte"))
            << TdsRule::exact(kDefinitionSql).columns({{"", "nvarchar(max)"}}).row({definition}));
    QVERIFY2(dmo, qPrintable(server.errors()));
    const QString script =
        dmo->Databases(QStringLiteral("Corvane"))
            ->Views(QStringLiteral("VCommesseAperte"))
            ->Script(schema::SQLDMOScript_Default, {}, schema::SQLDMOScript2_Default);
    QCOMPARE(script, definition + schema::BatchSeparator);
    QCOMPARE_GOLDEN(server.transcript(), QStringLiteral("catalogue_view.txt"));
}

// Column addition reads the columns as SQL-DMO's Column objects.
void TestCatalogue::columnsOfATable()
{
    TdsTestServer server;
    const auto dmo = componentOn(server, righe());
    QVERIFY2(dmo, qPrintable(server.errors()));
    QStringList shown;
    for (const schema::Column& c :
         dmo->Databases(QStringLiteral("Corvane"))->Tables(QStringLiteral("Righe"))->Columns())
        shown << QStringLiteral("%1 %2 %3,%4,%5 nulls=%6 id=%7(%8,%9) pk=%10 default=%11")
                     .arg(c.Name, c.Datatype)
                     .arg(c.Length)
                     .arg(c.NumericPrecision)
                     .arg(c.NumericScale)
                     .arg(c.AllowNulls)
                     .arg(c.Identity)
                     .arg(c.IdentitySeed)
                     .arg(c.IdentityIncrement)
                     .arg(c.InPrimaryKey)
                     .arg(c.DRIDefaultText);
    QCOMPARE(shown, (QStringList{
                        "IDDocumento int 4,10,0 nulls=0 id=0(0,0) pk=1 default=",
                        "Riga int 4,10,0 nulls=0 id=1(100,5) pk=1 default=",
                        "Codice char 10,0,0 nulls=0 id=0(0,0) pk=0 default=('')",
                        "Stato nchar 1,0,0 nulls=1 id=0(0,0) pk=0 default=('N')",
                        "Nota varchar 50,0,0 nulls=1 id=0(0,0) pk=0 default=('it''s (ok)')",
                        "Quantita decimal 9,18,4 nulls=0 id=0(0,0) pk=0 default=((0))",
                        "Data datetime 8,23,3 nulls=0 id=0(0,0) pk=0 default=(getdate())",
                        "Importo decimal 9,18,4 nulls=1 id=0(0,0) pk=0 default=",
                    }));
}

void TestCatalogue::missingObjectsAndLogins_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("failure");
    QTest::newRow("login refused") << "wrong"
                                   << "Corvane"
                                   << "Righe"
                                   << "Login failed for user 'sa'.";
    QTest::newRow("no such database") << "Harbor42"
                                      << "Altro"
                                      << "Righe"
                                      << "[SQL-DMO]Database 'Altro' does not exist on the server.";
    QTest::newRow("no such table") << "Harbor42"
                                   << "Corvane"
                                   << "Nessuna"
                                   << "[SQL-DMO]Table 'Nessuna' does not exist on the server.";
}

void TestCatalogue::missingObjectsAndLogins()
{
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(QString, table);
    QFETCH(QString, failure);
    TdsTestServer server;
    server.setLogins({{QStringLiteral("sa"), QStringLiteral("Harbor42")}});
    const TdsRule noTable =
        TdsRule::like(kTablesLike)
            .columns({{"object_id", "int"}, {"name", "sysname"}, {"name", "sysname"}});
    if (database == u"Corvane")
        server.setRules(serverAndDatabase() << noTable);
    else
        server.setRules({TdsRule::exact(kDatabasesSql).columns({{"name", "sysname"}})});
    QVERIFY2(server.start(), qPrintable(server.errors()));
    const auto [number, text] = test::failureOf([&] {
        auto dmo =
            schema::connectSqlServer(server.dataSource(), QStringLiteral("sa"), password, 20);
        dmo->Databases(database)->Tables(table);
    });
    QVERIFY2(text.contains(failure), qPrintable(text));
    QCOMPARE(server.unexpected(), QStringList());
}

void TestCatalogue::serverVersion()
{
    TdsTestServer server;
    const auto dmo = componentOn(
        server,
        {TdsRule::exact(
             QStringLiteral("SELECT CONVERT(nvarchar(128), SERVERPROPERTY('ProductVersion'))"))
             .columns({{"", "nvarchar(128)"}})
             .row({"8.00.2039"})});
    QVERIFY2(dmo, qPrintable(server.errors()));
    QCOMPARE(dmo->VersionMajor(), 8);
    QCOMPARE(server.transcript(),
             QStringLiteral(
                 "[1] login sa@master\n[1] batch -> rows 1\n    SELECT CONVERT(nvarchar(128), "
                 "SERVERPROPERTY('ProductVersion'))\n"));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "test_catalogue.moc"

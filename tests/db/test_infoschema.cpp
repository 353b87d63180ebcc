// The INFORMATION_SCHEMA tables of the embedded engine, queried with the
// program's own texts and compared with what SQL Server would answer.
#include "base/error.h"
#include "base/paths.h"
#include "dbtesthelpers.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <sqlite3.h>

using namespace corvane;
using corvane::test::EmbeddedDb;
using corvane::test::recordsetRows;

namespace {

const QString kSchema = QStringLiteral(
    "CREATE TABLE Clienti (IDCliente int NOT NULL, RagioneSociale varchar(50), Citta varchar(30));"
    "CREATE TABLE articoli (IDArticolo int);"
    "CREATE TABLE Zeta (z int);"
    "CREATE TABLE Beta (b int);"
    "CREATE TABLE Progressivi (ID INTEGER PRIMARY KEY AUTOINCREMENT, n int);"
    "INSERT INTO Progressivi (n) VALUES (1);"
    "CREATE VIEW VProdotto AS SELECT IDArticolo FROM articoli;"
    "CREATE VIEW VProdotti AS SELECT IDArticolo FROM articoli;"
    "CREATE VIEW vClienti AS SELECT RagioneSociale FROM Clienti;"
    "CREATE VIEW AVista AS SELECT z FROM Zeta;"
    "CREATE INDEX ixClienti ON Clienti (RagioneSociale);"
    "ANALYZE;");

} // namespace

class InformationSchemaTest : public QObject
{
    Q_OBJECT

private slots:
    void programQueries_data();
    void programQueries();
    void engineTablesAreNeverListed();
    void tableCreatedAMomentAgoIsSeen();
    void changesFromAnotherConnectionAreSeen();
    void rolledBackChangesAreForgotten();
    void columnDescription_data();
    void columnDescription();
    void catalogueSchemaAndTypes();
    void oddNames_data();
    void oddNames();
    void nameLookupGoesByName();
    void brokenViewKeepsColumnsQueryAlive();
    void serverCollation_data();
    void serverCollation();
    void alterWithServerCollationRuns();
    void readOnlyConnectionStillOpens();
    void columnsReadAsTheQuerySteps_data();
    void columnsReadAsTheQuerySteps();
};

void InformationSchemaTest::programQueries_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("all base tables, ordered ignoring case")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "ORDER BY  TABLE_NAME"
        << QStringList{"articoli", "Beta", "Clienti", "Progressivi", "Zeta"};
    QTest::newRow("table lookup, same case")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME='Clienti' "
        << QStringList{"Clienti"};
    QTest::newRow("table lookup, other case")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME='ARTICOLI' "
        << QStringList{"articoli"};
    QTest::newRow("table lookup, trailing blanks")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME='Clienti   ' "
        << QStringList{"Clienti"};
    QTest::newRow("table lookup, leading blank counts")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME=' Clienti' "
        << QStringList{};
    QTest::newRow("table lookup, missing")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME='Fornitori' "
        << QStringList{};
    QTest::newRow("a view is no base table")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE TABLE' "
           "and TABLE_NAME='VProdotto' "
        << QStringList{};
    QTest::newRow("columns in declaration order")
        << "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = 'Clienti'"
        << QStringList{"IDCliente", "RagioneSociale", "Citta"};
    QTest::newRow("columns, name in other case")
        << "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = 'clienti'"
        << QStringList{"IDCliente", "RagioneSociale", "Citta"};
    QTest::newRow("columns of a view")
        << "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = 'vClienti'"
        << QStringList{"RagioneSociale"};
    QTest::newRow("views except the two products views")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME <> 'VProdotto' and "
           "TABLE_NAME <> 'vProdotti' ORDER BY TABLE_NAME"
        << QStringList{"AVista", "vClienti"};
    QTest::newRow("view lookup")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME='VProdotto' "
        << QStringList{"VProdotto"};
    QTest::newRow("view lookup, other case and blanks")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME='vprodotti  ' "
        << QStringList{"VProdotti"};
    QTest::newRow("a table is no view")
        << "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME='Clienti' "
        << QStringList{};
}

void InformationSchemaTest::programQueries()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    EmbeddedDb db(kSchema);
    QCOMPARE(recordsetRows(db.conn(), sql), expected);
    // The program reads the reference column list through a forward-only cursor.
    QCOMPARE(recordsetRows(db.conn(), sql, db::adOpenForwardOnly), expected);
}

void InformationSchemaTest::engineTablesAreNeverListed()
{
    EmbeddedDb db(kSchema);
    // sqlite_sequence and sqlite_stat1 exist: AUTOINCREMENT and ANALYZE made them.
    QCOMPARE(db.rows("SELECT count(*) FROM sqlite_schema WHERE name IN "
                     "('sqlite_sequence', 'sqlite_stat1')"),
             QStringList{"2"});
    const QStringList all =
        recordsetRows(db.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES");
    QCOMPARE(all.size(), 9);
    for (const QString& name : all)
        QVERIFY2(!name.startsWith("sqlite_", Qt::CaseInsensitive), qPrintable(name));
    QVERIFY(recordsetRows(db.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.COLUMNS "
                                     "WHERE TABLE_NAME LIKE 'sqlite%'")
                .isEmpty());
}

void InformationSchemaTest::tableCreatedAMomentAgoIsSeen()
{
    EmbeddedDb db(kSchema);
    const QString lookup = "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = "
                           "'BASE TABLE' and TABLE_NAME='Fornitori' ";
    const QString columns =
        "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = 'Fornitori'";
    QVERIFY(recordsetRows(db.conn(), lookup).isEmpty());

    db.conn().Execute("CREATE TABLE Fornitori (IDFornitore int)");
    QCOMPARE(recordsetRows(db.conn(), lookup), QStringList{"Fornitori"});
    QCOMPARE(recordsetRows(db.conn(), columns), QStringList{"IDFornitore"});

    db.conn().Execute("ALTER TABLE [Fornitori] ADD [Nome] [varchar] (40) NULL");
    QCOMPARE(recordsetRows(db.conn(), columns), (QStringList{"IDFornitore", "Nome"}));

    db.conn().Execute("DROP TABLE Fornitori");
    QVERIFY(recordsetRows(db.conn(), lookup).isEmpty());
    QVERIFY(recordsetRows(db.conn(), columns).isEmpty());
}

void InformationSchemaTest::changesFromAnotherConnectionAreSeen()
{
    EmbeddedDb db(kSchema);
    const QString lookup = "SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE "
                           "TABLE_NAME='VNuova' ";
    QVERIFY(recordsetRows(db.conn(), lookup).isEmpty());
    db.run("CREATE VIEW VNuova AS SELECT 1 AS uno;");
    QCOMPARE(recordsetRows(db.conn(), lookup), QStringList{"VNuova"});
}

void InformationSchemaTest::rolledBackChangesAreForgotten()
{
    EmbeddedDb db(kSchema);
    const auto lookup = [&](const QString& name) {
        return recordsetRows(db.conn(), "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE "
                                        "TABLE_TYPE = 'BASE TABLE' and TABLE_NAME='" +
                                            name + "' ");
    };
    db.conn().Execute("BEGIN");
    db.conn().Execute("CREATE TABLE Provvisoria (a int)");
    QCOMPARE(lookup("Provvisoria"), QStringList{"Provvisoria"});
    db.conn().Execute("ROLLBACK");
    // The same number of changes again brings the schema version back where it was.
    db.conn().Execute("CREATE TABLE Definitiva (a int)");
    QCOMPARE(lookup("Provvisoria"), QStringList{});
    QCOMPARE(lookup("Definitiva"), QStringList{"Definitiva"});
}

void InformationSchemaTest::columnDescription_data()
{
    QTest::addColumn<QString>("declaration");
    // DATA_TYPE|CHARACTER_MAXIMUM_LENGTH|NUMERIC_PRECISION|NUMERIC_SCALE|IS_NULLABLE|COLUMN_DEFAULT
    QTest::addColumn<QString>("expected");

    QTest::newRow("varchar") << "varchar(50)"
                             << "varchar|50|<null>|<null>|YES|<null>";
    QTest::newRow("bracketed char") << "[char] (10) NOT NULL"
                                    << "char|10|<null>|<null>|NO|<null>";
    QTest::newRow("decimal with default") << "[decimal] (18, 4) NOT NULL DEFAULT (0)"
                                          << "decimal|<null>|18|4|NO|0";
    QTest::newRow("int") << "int"
                         << "int|<null>|10|0|YES|<null>";
    QTest::newRow("identity swallowed into the type") << "int IDENTITY (1, 1) NOT NULL"
                                                      << "int|<null>|10|0|NO|<null>";
    QTest::newRow("nvarchar without length") << "nvarchar"
                                             << "nvarchar|1|<null>|<null>|YES|<null>";
    QTest::newRow("text") << "text"
                          << "text|2147483647|<null>|<null>|YES|<null>";
    QTest::newRow("upper case type") << "VARCHAR(20)"
                                     << "varchar|20|<null>|<null>|YES|<null>";
    QTest::newRow("text default") << "varchar(5) DEFAULT 'x'"
                                  << "varchar|5|<null>|<null>|YES|'x'";
    QTest::newRow("datetime") << "datetime NULL"
                              << "datetime|<null>|<null>|<null>|YES|<null>";
    QTest::newRow("money") << "money"
                           << "money|<null>|19|4|YES|<null>";
}

void InformationSchemaTest::columnDescription()
{
    QFETCH(QString, declaration);
    QFETCH(QString, expected);
    EmbeddedDb db("CREATE TABLE Prova (Primo int, Campo " + declaration + ");");
    const QStringList rows = recordsetRows(
        db.conn(), "SELECT DATA_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, "
                   "IS_NULLABLE, COLUMN_DEFAULT, ORDINAL_POSITION FROM INFORMATION_SCHEMA.COLUMNS "
                   "WHERE TABLE_NAME = 'Prova' AND COLUMN_NAME = 'campo'");
    QCOMPARE(rows, QStringList{expected + "|2"});
}

void InformationSchemaTest::catalogueSchemaAndTypes()
{
    EmbeddedDb db(kSchema);
    QCOMPARE(recordsetRows(db.conn(), "SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE "
                                      "FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME IN "
                                      "('Clienti', 'AVista') ORDER BY TABLE_NAME"),
             (QStringList{"Corvane|dbo|AVista|VIEW", "Corvane|dbo|Clienti|BASE TABLE"}));
    const QStringList definition = recordsetRows(
        db.conn(),
        "SELECT VIEW_DEFINITION FROM INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME = 'AVista'");
    QCOMPARE(definition, QStringList{"CREATE VIEW AVista AS SELECT z FROM Zeta"});
    // A primary key column is NOT NULL on the server.
    QCOMPARE(recordsetRows(db.conn(), "SELECT IS_NULLABLE FROM INFORMATION_SCHEMA.COLUMNS WHERE "
                                      "TABLE_NAME = 'Progressivi' ORDER BY ORDINAL_POSITION"),
             (QStringList{"NO", "YES"}));
}

void InformationSchemaTest::oddNames_data()
{
    QTest::addColumn<QString>("literal"); // as it stands between the quotes of the query
    QTest::addColumn<QString>("expected");

    QTest::newRow("apostrophe") << "Cli''enti"
                                << "Cli'enti";
    QTest::newRow("blank inside") << "Order Details"
                                  << "Order Details";
    QTest::newRow("blank inside, other case, trailing") << "ORDER details  "
                                                        << "Order Details";
    QTest::newRow("accented, other case") << "CITTÀ"
                                          << "Città";
    QTest::newRow("accent counts") << "Citta"
                                   << "";
}

void InformationSchemaTest::oddNames()
{
    QFETCH(QString, literal);
    QFETCH(QString, expected);
    EmbeddedDb db("CREATE TABLE [Cli'enti] (a int); CREATE TABLE [Order Details] ([Unit Price] "
                  "money); CREATE TABLE \"Città\" (\"Nome Città\" text);");
    const QStringList tables = recordsetRows(
        db.conn(), "SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE "
                   "TABLE' and TABLE_NAME='" +
                       literal + "' ");
    QCOMPARE(tables, expected.isEmpty() ? QStringList{} : QStringList{expected});
    const QStringList columns = recordsetRows(
        db.conn(),
        "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = '" + literal + "'");
    QCOMPARE(columns.size(), expected.isEmpty() ? 0 : 1);
}

void InformationSchemaTest::nameLookupGoesByName()
{
    EmbeddedDb db(kSchema);
    // The plan shows whether SQLite hands the name to the table (index 1) or scans it (index 0).
    const auto plan = [&](const QString& sql) {
        QSqlQuery query(db.conn().database());
        if (!query.exec("EXPLAIN QUERY PLAN " + sql)) return QString("error");
        QStringList details;
        while (query.next())
            details << query.value(3).toString();
        return details.join(";");
    };
    QVERIFY2(plan("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = 'BASE "
                  "TABLE' and TABLE_NAME='Clienti' ")
                 .contains("VIRTUAL TABLE INDEX 1:"),
             "TABLES lookup scans the catalogue");
    QVERIFY(plan("SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = 'Clienti'")
                .contains("VIRTUAL TABLE INDEX 1:"));
    QVERIFY(plan("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME='VProdotto' ")
                .contains("VIRTUAL TABLE INDEX 1:"));
    QVERIFY(plan("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE TABLE_NAME <> 'VProdotto'")
                .contains("VIRTUAL TABLE INDEX 0:"));
    // With a collation of its own the query still gets exactly what it asked for.
    QCOMPARE(recordsetRows(db.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE "
                                      "TABLE_NAME = 'clienti' COLLATE BINARY"),
             QStringList{});
}

void InformationSchemaTest::brokenViewKeepsColumnsQueryAlive()
{
    EmbeddedDb db("CREATE TABLE Base (a int, b int); CREATE VIEW VBase AS SELECT a FROM Base;"
                  "CREATE TABLE Altra (c int);");
    db.conn().Execute("DROP TABLE Base");
    QCOMPARE(recordsetRows(db.conn(), "SELECT TABLE_NAME, COLUMN_NAME FROM "
                                      "INFORMATION_SCHEMA.COLUMNS"),
             QStringList{"Altra|c"});
    QCOMPARE(recordsetRows(db.conn(), "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.VIEWS"),
             QStringList{"VBase"});
}

void InformationSchemaTest::serverCollation_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("sign");

    QTest::newRow("case") << "Clienti"
                          << "CLIENTI" << 0;
    QTest::newRow("trailing blanks") << "abc   "
                                     << "ABC" << 0;
    QTest::newRow("leading blank") << " abc"
                                   << "abc" << -1;
    QTest::newRow("order ignores case") << "beta"
                                        << "Alfa" << 1;
    QTest::newRow("prefix first") << "Clienti"
                                  << "clienti2" << -1;
    QTest::newRow("accented letters, case") << "àèì"
                                            << "ÀÈÌ" << 0;
    QTest::newRow("accent counts") << "perche"
                                   << "perché" << -1;
    QTest::newRow("tab is no blank") << "abc\t"
                                     << "abc" << 1;
}

void InformationSchemaTest::serverCollation()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, sign);
    EmbeddedDb db("CREATE TABLE t (x int);");
    QSqlQuery query(db.conn().database());
    QVERIFY(query.prepare("SELECT CASE WHEN ? = ? COLLATE SQL_Latin1_General_CP1_CI_AS THEN 0 "
                          "WHEN ? < ? COLLATE SQL_Latin1_General_CP1_CI_AS THEN -1 ELSE 1 END"));
    for (int i = 0; i < 2; ++i) {
        query.addBindValue(left);
        query.addBindValue(right);
    }
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), sign);
}

void InformationSchemaTest::alterWithServerCollationRuns()
{
    EmbeddedDb db("CREATE TABLE Clienti (IDCliente int);");
    db.conn().Execute("ALTER TABLE [Clienti] ADD [Note] [varchar] (255) COLLATE "
                      "SQL_Latin1_General_CP1_CI_AS NULL");
    db.conn().Execute("INSERT INTO Clienti VALUES (1, 'Roma  ')");
    QCOMPARE(recordsetRows(db.conn(), "SELECT IDCliente FROM Clienti WHERE Note = 'ROMA'"),
             QStringList{"1"});
}

void InformationSchemaTest::readOnlyConnectionStillOpens()
{
    EmbeddedDb db("CREATE TABLE t (x int); INSERT INTO t VALUES (7);");
    sqlite3* handle = nullptr;
    const QByteArray path = toSqlitePath(db.file("Corvane.db"));
    QCOMPARE(sqlite3_open_v2(path.constData(), &handle, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(handle, "SELECT x FROM t", -1, &stmt, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    QCOMPARE(sqlite3_column_int(stmt, 0), 7);
    sqlite3_finalize(stmt);
    // The layer needs a writable connection: without it the connection still serves.
    QCOMPARE(sqlite3_prepare_v2(handle, "SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES", -1,
                                &stmt, nullptr),
             SQLITE_ERROR);
    QCOMPARE(sqlite3_close(handle), SQLITE_OK);
}

// COLUMNS reads an object's columns as the query steps, through statements
// the layer keeps between queries: two scans at once each see every row, a
// scan left halfway costs the next nothing, and the connection still closes.
void InformationSchemaTest::columnsReadAsTheQuerySteps_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("answer"); // the rows joined by ","
    QTest::newRow("two scans joined")
        << "SELECT a.TABLE_NAME || '.' || a.COLUMN_NAME || '=' || b.COLUMN_NAME FROM "
           "INFORMATION_SCHEMA.COLUMNS a JOIN INFORMATION_SCHEMA.COLUMNS b ON b.TABLE_NAME = "
           "a.TABLE_NAME AND b.ORDINAL_POSITION = a.ORDINAL_POSITION"
        << "Uno.a=a,Uno.b=b,Due.c=c";
    QTest::newRow("a scan per table, correlated")
        << "SELECT TABLE_NAME || ':' || (SELECT count(*) FROM INFORMATION_SCHEMA.COLUMNS c "
           "WHERE c.TABLE_NAME = t.TABLE_NAME) FROM INFORMATION_SCHEMA.TABLES t"
        << "Uno:2,Rotta:0,Due:1";
    QTest::newRow("stopped after one row")
        << "SELECT TABLE_NAME || '.' || COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS LIMIT 1"
        << "Uno.a";
    QTest::newRow("types only when asked")
        << "SELECT COLUMN_NAME || ' ' || DATA_TYPE || ' ' || ifnull(CHARACTER_MAXIMUM_LENGTH, "
           "'-') || ' ' || IS_NULLABLE || ' ' || ifnull(COLUMN_DEFAULT, '-') FROM "
           "INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'uno'"
        << "a varchar 10 NO -,b int - YES 3";
}

void InformationSchemaTest::columnsReadAsTheQuerySteps()
{
    QFETCH(QString, sql);
    QFETCH(QString, answer);
    EmbeddedDb db("CREATE TABLE Uno (a varchar(10) PRIMARY KEY, b int DEFAULT 3);"
                  "CREATE TABLE Vuota (v int); CREATE VIEW Rotta AS SELECT v FROM Vuota;"
                  "CREATE TABLE Due (c int);");
    // A view that no longer compiles, between two tables: it has no columns.
    db.conn().Execute("DROP TABLE Vuota");
    sqlite3* handle = nullptr;
    const QByteArray path = toSqlitePath(db.file("Corvane.db"));
    QCOMPARE(sqlite3_open_v2(path.constData(), &handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const auto rows = [handle](const QByteArray& text) {
        QStringList out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(handle, text.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return QStringList{QString::fromUtf8(sqlite3_errmsg(handle))};
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return out;
    };
    // Twice: the second time through the statements kept from the first.
    QCOMPARE(rows(sql.toUtf8()).join(u','), answer);
    QCOMPARE(rows(sql.toUtf8()).join(u','), answer);
    // Nothing the layer keeps holds the file: another connection writes at once.
    db.conn().Execute("CREATE TABLE Tre (d int)");
    QCOMPARE(rows("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME = 'Tre'"),
             QStringList{"d"});
    QCOMPARE(sqlite3_close(handle), SQLITE_OK);
}

QTEST_GUILESS_MAIN(InformationSchemaTest)
#include "test_infoschema.moc"

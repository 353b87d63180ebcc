// The embedded engine's own texts: the column additions it runs instead of
// SQL Server's, and the reading of its stored statements for renames and
// rebuilds. Every text is also run on a real database.

#include "db/informationschema.h"
#include "schema/embeddedsql.h"
#include "schema/embeddedwriter.h"
#include "support/testdb.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::schema::Column)

namespace {

schema::Column column(const QString& name, const QString& type, int length = 0, int precision = 0,
                      int scale = 0)
{
    schema::Column c;
    c.Name = name;
    c.Datatype = type;
    c.Length = length;
    c.NumericPrecision = precision;
    c.NumericScale = scale;
    return c;
}

schema::Column identity(schema::Column c)
{
    c.Identity = true;
    c.IdentitySeed = 100;
    c.IdentityIncrement = 10;
    c.AllowNulls = false;
    return c;
}

schema::Column withDefault(schema::Column c, const QString& text, bool allowNulls = true)
{
    c.DRIDefaultText = text;
    c.AllowNulls = allowNulls;
    return c;
}

// Runs the statements on a fresh database; "" when the engine takes them.
QString engineError(const QString& sql)
{
    QTemporaryDir dir;
    try {
        test::runSqlScript(dir.path(), QStringLiteral("Prova"), sql);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

class TestEmbeddedWriter : public QObject
{
    Q_OBJECT
private slots:
    // The collation of char columns comes with every connection of the program.
    void initTestCase() { db::installInformationSchema(); }

    void type_data()
    {
        QTest::addColumn<schema::Column>("column");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("affinity"); // of the text '12', stored in it
        QTest::newRow("int") << column("c", "int") << "int"
                             << "integer";
        QTest::newRow("bigint") << column("c", "BIGINT") << "bigint"
                                << "integer";
        QTest::newRow("bit") << column("c", "bit") << "bit"
                             << "integer";
        QTest::newRow("money") << column("c", "money") << "money"
                               << "integer";
        QTest::newRow("float") << column("c", "float") << "float"
                               << "real";
        QTest::newRow("datetime") << column("c", "datetime") << "datetime"
                                  << "integer";
        QTest::newRow("char") << column("c", "char", 10) << "char(10)"
                              << "text";
        QTest::newRow("nvarchar") << column("c", "nvarchar", 50) << "nvarchar(50)"
                                  << "text";
        QTest::newRow("varchar(max)") << column("c", "varchar", -1) << "text"
                                      << "text";
        QTest::newRow("nvarchar(max)") << column("c", "nvarchar", -1) << "text"
                                       << "text";
        QTest::newRow("varbinary") << column("c", "varbinary", 16) << "varbinary(16)"
                                   << "integer";
        QTest::newRow("varbinary(max)") << column("c", "varbinary", -1) << "blob"
                                        << "text";
        QTest::newRow("decimal") << column("c", "decimal", 9, 18, 4) << "decimal(18, 4)"
                                 << "integer";
        QTest::newRow("numeric") << column("c", "numeric", 5, 9, 3) << "numeric(9, 3)"
                                 << "integer";
        QTest::newRow("xml") << column("c", "xml") << "text"
                             << "text";
        QTest::newRow("uniqueidentifier") << column("c", "uniqueidentifier") << "text"
                                          << "text";
        QTest::newRow("datetime2(7)") << column("c", "datetime2", 8, 27, 7) << "text"
                                      << "text";
        QTest::newRow("datetimeoffset") << column("c", "datetimeoffset") << "text"
                                        << "text";
        QTest::newRow("time") << column("c", "time") << "text"
                              << "text";
        QTest::newRow("image") << column("c", "image") << "blob"
                               << "text";
        QTest::newRow("timestamp") << column("c", "timestamp") << "blob"
                                   << "text";
        QTest::newRow("sql_variant") << column("c", "sql_variant") << "blob"
                                     << "text";
        QTest::newRow("geography") << column("c", "geography") << "blob"
                                   << "text";
        QTest::newRow("identity") << identity(column("c", "int")) << "int IDENTITY (100, 10)"
                                  << "integer";
        QTest::newRow("decimal identity")
            << identity(column("c", "decimal", 9, 18, 0)) << "decimal(18, 0)"
            << "integer";
        QTest::newRow("a name it cannot read") << column("c", "tipo strano") << "\"tipo strano\""
                                               << "integer";
    }
    void type()
    {
        QFETCH(schema::Column, column);
        QFETCH(QString, expected);
        QFETCH(QString, affinity);
        const QString type = schema::embeddedType(column);
        QCOMPARE(type, expected);
        QTemporaryDir dir;
        test::runSqlScript(
            dir.path(), "Prova",
            QStringLiteral("CREATE TABLE t (c %1); INSERT INTO t VALUES ('12');").arg(type));
        QCOMPARE(test::queryRows(dir.path(), "Prova", "SELECT typeof(c) FROM t"),
                 QStringList{affinity});
    }

    void statement_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<schema::Column>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Righe" << column("Quantita", "int")
                               << "ALTER TABLE \"Righe\" ADD \"Quantita\" int ";
        QTest::newRow("brackets stay, quotes doubled")
            << "Strano]Nome" << column("Campo\"X]", "int")
            << "ALTER TABLE \"Strano]Nome\" ADD \"Campo\"\"X]\" int ";
        QTest::newRow("blanks trimmed from the column, not the table")
            << "trail " << column(" Nota ", " int ") << "ALTER TABLE \"trail \" ADD \"Nota\" int ";
        QTest::newRow("char keeps the collation")
            << "Clienti" << withDefault(column("Stato", "nchar", 1), "('N')", false)
            << "ALTER TABLE \"Clienti\" ADD \"Stato\" nchar(1) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS NOT NULL DEFAULT ('N') ";
        QTest::newRow("the time of day")
            << "Note" << withDefault(column("Data", "datetime"), "(getdate())")
            << "ALTER TABLE \"Note\" ADD \"Data\" datetime DEFAULT (datetime('now', 'localtime')) ";
        QTest::newRow("nvarchar(max) with a national literal")
            << "Note" << withDefault(column("Testo", "nvarchar", -1), "(N'vuoto')")
            << "ALTER TABLE \"Note\" ADD \"Testo\" text DEFAULT ('vuoto') ";
    }
    void statement()
    {
        QFETCH(QString, table);
        QFETCH(schema::Column, column);
        QFETCH(QString, expected);
        const QString sql = schema::embeddedAddColumnStatement(table, column);
        QCOMPARE(sql, expected);
        QCOMPARE(engineError(QStringLiteral("CREATE TABLE %1 (x int); %2;")
                                 .arg(schema::quoteEmbeddedName(table), sql)),
                 QString());
    }

    void defaultText_data()
    {
        QTest::addColumn<QString>("sqlServer");
        QTest::addColumn<QString>("embedded");
        QTest::newRow("getdate") << "(getdate())"
                                 << "(datetime('now', 'localtime'))";
        QTest::newRow("upper case, blanks") << "( GETDATE ( ) )"
                                            << "( datetime('now', 'localtime') )";
        QTest::newRow("utc") << "(getutcdate())"
                             << "(datetime('now'))";
        QTest::newRow("newid") << "(newid())"
                               << "(lower(hex(randomblob(16))))";
        QTest::newRow("national literal") << "(N'l''anno')"
                                          << "('l''anno')";
        QTest::newRow("inside a string: kept") << "('getdate()')"
                                               << "('getdate()')";
        QTest::newRow("a column named N") << "(N + 'x')"
                                          << "(N + 'x')";
        QTest::newRow("nested parentheses") << "((0))"
                                            << "((0))";
    }
    void defaultText()
    {
        QFETCH(QString, sqlServer);
        QTEST(schema::embeddedDefault(sqlServer), "embedded");
    }

    void singleExpression_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<bool>("single");
        QTest::newRow("number") << "(0)" << true;
        QTest::newRow("comma in a string") << "('a,b;c')" << true;
        QTest::newRow("function call") << "(datetime('now', 'localtime'))" << true;
        QTest::newRow("a second column") << "(0), \"altra\" int DEFAULT (1)" << false;
        QTest::newRow("closes too early") << "0)" << false;
        QTest::newRow("left open") << "(0" << false;
        QTest::newRow("a statement after it") << "(1); DROP TABLE t" << false;
        QTest::newRow("a comment") << "(0) /* x */" << false;
        QTest::newRow("a line comment") << "0 -- x" << false;
        QTest::newRow("an open string") << "('x" << false;
        QTest::newRow("nothing") << "  " << false;
    }
    void singleExpression()
    {
        QFETCH(QString, expression);
        QTEST(schema::isSingleExpression(expression), "single");
    }

    void indexName_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("name"); // "" when it is no CREATE INDEX
        QTest::newRow("plain") << "CREATE INDEX IX_Ordini ON Ordini (IDCliente)"
                               << "IX_Ordini";
        QTest::newRow("unique, bracketed") << "CREATE UNIQUE INDEX [my ix] on Ordini (IDCliente)"
                                           << "my ix";
        QTest::newRow("quoted with a quote") << "CREATE INDEX \"a\"\"b\" ON Ordini (IDCliente)"
                                             << "a\"b";
        QTest::newRow("qualified, if not exists")
            << "create index if not exists main.ix ON Ordini (IDCliente)"
            << "ix";
        QTest::newRow("a comment first") << "CREATE /* c */ INDEX ix2 ON Ordini (IDCliente)"
                                         << "ix2";
        QTest::newRow("a table") << "CREATE TABLE ix (x int)"
                                 << "";
    }
    void indexName()
    {
        QFETCH(QString, sql);
        QFETCH(QString, name);
        const std::optional<schema::NameInText> found = schema::createIndexName(sql);
        QCOMPARE(found.has_value(), !name.isEmpty());
        if (!found) return;
        QCOMPARE(found->name, name);
        // The span is what a rename replaces.
        QString renamed = sql;
        renamed.replace(found->begin, found->length, schema::quoteEmbeddedName("Nuovo \"nome\""));
        QTemporaryDir dir;
        test::runSqlScript(dir.path(), "Prova",
                           "CREATE TABLE Ordini (IDCliente int);" + renamed + QLatin1Char(';'));
        QCOMPARE(test::queryRows(dir.path(), "Prova",
                                 "SELECT name FROM sqlite_schema WHERE type = 'index'"),
                 QStringList{"Nuovo \"nome\""});
    }

    void tableText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("columns"); // after the new one is put in; "" when unreadable
        QTest::newRow("plain") << "CREATE TABLE Clienti (a int, b text)"
                               << "Clienti"
                               << "a|b|n";
        QTest::newRow("table constraints after the columns")
            << "CREATE TABLE \"Cli)enti\" (a decimal(18, 4) DEFAULT (0), \"b,c\" int, "
               "CONSTRAINT pk PRIMARY KEY (a), UNIQUE (\"b,c\")) WITHOUT ROWID"
            << "Cli)enti"
            << "a|b,c|n";
        QTest::newRow("a comment after the last column")
            << "CREATE TABLE [Righe] ([x] int -- nota, ancora\n, [y] int /* ) */)"
            << "Righe"
            << "x|y|n";
        QTest::newRow("check constraint") << "CREATE TABLE t (a int, CHECK (a > 0))"
                                          << "t"
                                          << "a|n";
        QTest::newRow("from a query") << "CREATE TABLE t AS SELECT 1 AS a"
                                      << "t"
                                      << "";
    }
    void tableText()
    {
        QFETCH(QString, sql);
        QFETCH(QString, name);
        QFETCH(QString, columns);
        const std::optional<schema::TableText> table = schema::createTableText(sql);
        QCOMPARE(table.has_value(), !columns.isEmpty());
        if (!table) return;
        QCOMPARE(table->name.name, name);
        QString extended = sql;
        extended.insert(table->afterLastColumn, QStringLiteral(", n int DEFAULT (1)"));
        extended.replace(table->name.begin, table->name.length, QStringLiteral("nuova"));
        QTemporaryDir dir;
        test::runSqlScript(dir.path(), "Prova", extended + QLatin1Char(';'));
        QCOMPARE(test::queryRows(dir.path(), "Prova", "SELECT name FROM pragma_table_info('nuova')")
                     .join(QLatin1Char('|')),
                 columns);
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedWriter)
#include "test_embeddedwriter.moc"

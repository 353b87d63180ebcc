// The T-SQL writer against hand-written golden scripts, without a server.

#include "schema/tsqlwriter.h"
#include "support/testfiles.h"

#include <QtTest>

using namespace corvane::schema;

namespace {

ColumnDescription col(const QString& name, const QString& type, int length = 0, int precision = 0,
                      int scale = 0, bool nullable = true)
{
    ColumnDescription c;
    c.name = name;
    c.type = type;
    c.length = length;
    c.precision = precision;
    c.scale = scale;
    c.nullable = nullable;
    return c;
}

TableDescription everyType()
{
    TableDescription t;
    t.name = QStringLiteral("Tipi");
    t.databaseCollation = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");
    const QString dbCollation = t.databaseCollation;
    auto text = [&](const QString& name, const QString& type, int length) {
        ColumnDescription c = col(name, type, length);
        c.collation = dbCollation; // same as the database's: not written
        return c;
    };
    t.columns = {col("cInt", "int", 4, 10, 0, false),
                 col("cBigint", "bigint", 8, 19),
                 col("cSmallint", "smallint", 2, 5),
                 col("cTinyint", "tinyint", 1, 3),
                 col("cBit", "bit", 1, 1, 0, false),
                 col("cDecimal", "decimal", 9, 18, 4),
                 col("cNumeric", "numeric", 5, 9, 0),
                 col("cMoney", "money", 8, 19, 4),
                 col("cSmallmoney", "smallmoney", 4, 10, 4),
                 col("cFloat", "float", 8, 53),
                 col("cReal", "real", 4, 24),
                 col("cDatetime", "datetime", 8, 23, 3),
                 col("cSmalldatetime", "smalldatetime", 4, 16),
                 col("cDate", "date", 3, 10),
                 col("cTime", "time", 5, 16, 7),
                 col("cDatetime2", "datetime2", 7, 23, 3),
                 col("cDatetimeoffset", "datetimeoffset", 10, 34, 7),
                 text("cChar", "char", 10),
                 text("cVarchar", "varchar", 50),
                 text("cVarcharMax", "varchar", -1),
                 text("cText", "text", 16),
                 text("cNchar", "nchar", 5),
                 text("cNvarchar", "nvarchar", 100),
                 text("cNvarcharMax", "nvarchar", -1),
                 text("cNtext", "ntext", 16),
                 col("cBinary", "binary", 16),
                 col("cVarbinary", "varbinary", 200),
                 col("cVarbinaryMax", "varbinary", -1),
                 col("cImage", "image", 16),
                 col("cGuid", "uniqueidentifier", 16),
                 col("cTimestamp", "timestamp", 8, 0, 0, false),
                 col("cXml", "xml", -1),
                 col("cVariant", "sql_variant", 8016),
                 col("cGeo", "geography", -1)};
    return t;
}

TableDescription keysAndDefaults()
{
    TableDescription t;
    t.name = QStringLiteral("Righe");
    t.databaseCollation = QStringLiteral("Latin1_General_CI_AS");

    ColumnDescription riga = col("Riga", "int", 4, 10, 0, false);
    riga.identity = true;
    riga.identitySeed = 100;
    riga.identityIncrement = 5;
    ColumnDescription codice = col("Codice", "char", 10, 0, 0, false);
    codice.collation = QStringLiteral("SQL_Latin1_General_CP1_CI_AS");
    codice.defaultName = QStringLiteral("DF_Righe_Codice");
    codice.defaultDefinition = QStringLiteral("('')");
    ColumnDescription stato = col("Stato", "nchar", 1);
    stato.collation = QStringLiteral("latin1_general_ci_as"); // the database's, other case
    stato.defaultDefinition = QStringLiteral("('N')");
    ColumnDescription nota = col("Nota", "varchar", 50);
    nota.collation = QStringLiteral("Latin1_General_CS_AS");
    nota.defaultDefinition = QStringLiteral("('it''s (ok)')");
    ColumnDescription quantita = col("Quantita", "decimal", 9, 18, 4, false);
    quantita.defaultDefinition = QStringLiteral("((0))");
    ColumnDescription data = col("Data", "datetime", 8, 23, 3, false);
    data.defaultName = QStringLiteral("DF_Righe_Data");
    data.defaultDefinition = QStringLiteral("(getdate())");
    ColumnDescription importo = col("Importo", "decimal", 9, 18, 4);
    importo.computedDefinition = QStringLiteral("([Quantita]*(2))");
    t.columns = {col("IDDocumento", "int", 4, 10, 0, false),
                 riga,
                 codice,
                 stato,
                 nota,
                 quantita,
                 data,
                 importo};

    KeyDescription pk{
        QStringLiteral("PK_Righe"), true, true, {"IDDocumento", "Riga"}, {false, false}};
    KeyDescription uq{
        QStringLiteral("UQ_Righe_Codice"), false, false, {"Codice", "Data"}, {false, true}};
    KeyDescription unnamed{QString(), false, false, {"Nota"}, {false}};
    t.keys = {pk, uq, unnamed};
    return t;
}

TableDescription awkwardNames()
{
    TableDescription t;
    t.schema = QStringLiteral("vendite dept");
    t.name = QStringLiteral("Righe Ordine]x");
    t.columns = {col("Codice Articolo", "varchar", 20, 0, 0, false), col("a]b", "int"),
                 col("[x]", "int")};
    t.keys = {{QStringLiteral("PK Righe]1"), true, false, {"Codice Articolo"}, {false}}};
    return t;
}

} // namespace

class TestTsqlWriter : public QObject
{
    Q_OBJECT
private slots:
    void tableScript_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("script2Type");
        QTest::addColumn<QString>("goldenFile");
        QTest::newRow("every type") << 0 << SQLDMOScript2_Default << "types_all.sql";
        QTest::newRow("every type, 7.0") << 0 << SQLDMOScript2_70Only << "types_all_70only.sql";
        QTest::newRow("keys and defaults") << 1 << SQLDMOScript2_Default << "keys_defaults.sql";
        QTest::newRow("keys and defaults, 7.0")
            << 1 << SQLDMOScript2_70Only << "keys_defaults_70only.sql";
        QTest::newRow("names with blanks and brackets")
            << 2 << SQLDMOScript2_Default << "names.sql";
    }

    void tableScript()
    {
        QFETCH(int, table);
        QFETCH(int, script2Type);
        QFETCH(QString, goldenFile);
        const TableDescription descriptions[] = {everyType(), keysAndDefaults(), awkwardNames()};
        const QString script = scriptTable(descriptions[table], script2Type);

        // Every line ends in CR LF and the script ends with the batch end.
        QVERIFY(script.endsWith(BatchSeparator));
        QCOMPARE(script.count(QLatin1Char('\n')), script.count(QStringLiteral("\r\n")));
        QCOMPARE(script.count(BatchSeparator), 1);

        QString lf = script;
        lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QVERIFY(
            corvane::test::matchesGolden(QStringLiteral("schema/golden/tsql/") + goldenFile, lf));
    }

    void scriptForSqlServer70HasNoNewerSyntax()
    {
        const QString script = scriptTable(everyType(), SQLDMOScript2_70Only) +
                               scriptTable(keysAndDefaults(), SQLDMOScript2_70Only);
        for (const char* word :
             {"(max)", "[xml]", "[date]", "[time]", "[datetime2]", "[datetimeoffset]", "[bigint]",
              "[sql_variant]", "[geography]", "COLLATE", " DESC"})
            QVERIFY2(!script.contains(QLatin1String(word)), word);
    }

    void viewScript_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::addColumn<QString>("expected");
        QTest::newRow("as stored")
            << "CREATE VIEW vClienti AS\r\nSELECT Codice FROM Clienti"
            << "CREATE VIEW vClienti AS\r\nSELECT Codice FROM Clienti\r\nGO\r\n";
        QTest::newRow("trailing blank lines dropped") << "CREATE VIEW v AS SELECT 1 AS a\r\n\r\n  "
                                                      << "CREATE VIEW v AS SELECT 1 AS a\r\nGO\r\n";
        QTest::newRow("leading comment kept")
            << "-- elenco\r\nCREATE VIEW v AS SELECT 1 AS a"
            << "-- elenco\r\nCREATE VIEW v AS SELECT 1 AS a\r\nGO\r\n";
        QTest::newRow("no definition (encrypted)") << QString() << QString();
        QTest::newRow("blank definition") << " \r\n " << QString();
    }

    void viewScript()
    {
        QFETCH(QString, definition);
        QFETCH(QString, expected);
        QCOMPARE(scriptView(definition, SQLDMOScript2_Default), expected);
        QCOMPARE(scriptView(definition, SQLDMOScript2_70Only), expected);
    }
};

QTEST_GUILESS_MAIN(TestTsqlWriter)
#include "test_tsqlwriter.moc"

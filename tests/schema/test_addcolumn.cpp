// Column addition: the statement text, and the whole procedure against real
// embedded reference and local databases.

#include "schema/addcolumn.h"
#include "schema/addcolumnstatement.h"
#include "support/fakesqldmo.h"
#include "support/loopback.h"
#include "support/testdb.h"
#include "support/world.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

Q_DECLARE_METATYPE(corvane::schema::Column)

namespace {

schema::Column column(const QString& name, const QString& type, bool allowNulls = true)
{
    schema::Column c;
    c.Name = name;
    c.Datatype = type;
    c.AllowNulls = allowNulls;
    return c;
}

schema::Column sized(schema::Column c, int length, int precision = 0, int scale = 0)
{
    c.Length = length;
    c.NumericPrecision = precision;
    c.NumericScale = scale;
    return c;
}

schema::Column identity(schema::Column c, int seed, int increment)
{
    c.Identity = true;
    c.IdentitySeed = seed;
    c.IdentityIncrement = increment;
    return c;
}

schema::Column withDefault(schema::Column c, const QString& text)
{
    c.DRIDefaultText = text;
    return c;
}

const char* kReference = R"(
BEGIN;
CREATE TABLE [Righe] ([IDDoc] [int] NOT NULL, [Quantita] [int] NULL,
    [Riga] [int] IDENTITY (1, 1) NOT NULL, [Nota] [varchar] (50) NULL, PRIMARY KEY ([IDDoc]));
CREATE TABLE [Clienti] ([Codice] [char] (10) NOT NULL, [Descrizione] [varchar] (80) NULL,
    [Stato] [nchar] (1) NULL DEFAULT ('N'), [Sigla] [nchar] (5) NULL);
CREATE TABLE [Prodotti] ([Prezzo] [decimal] (18, 4) NOT NULL DEFAULT (0), [Peso] [numeric] (9, 3) NULL);
CREATE TABLE [Doppi] ([Codice] [int] NULL, [Codice ] [varchar] (20) NULL);
CREATE TABLE [Listini] ([Codice] [int] NULL);
CREATE TABLE [Sconti] ([Sconto	] [int] NULL);
CREATE TABLE "Città" ("Nome" varchar(50), "Provincia" char(2));
CREATE TABLE "Strano]Nome" ("Id" int, "Campo]X" int);
CREATE TABLE "trail " ("Id" int, "Nota" [nvarchar(max)]);
COMMIT;
)";

const char* kLocal = R"(
BEGIN;
CREATE TABLE [Righe] ([IDDoc] [int] NOT NULL, [Nota] [varchar] (50) NULL);
CREATE TABLE [Clienti] ([descrizione] [varchar] (80) NULL);
CREATE TABLE [Prodotti] ([Altro] [int] NULL);
CREATE TABLE [Doppi] ([Altro] [int] NULL);
CREATE TABLE [Sconti] ([Altro] [int] NULL);
CREATE TABLE "CITTÀ" ("Nome" varchar(50));
CREATE TABLE "Strano]Nome" ("Id" int);
CREATE TABLE "trail " ("Id" int);
COMMIT;
)";

// The local database in a world of its own; the reference sits in another
// folder, so the two servers have different names.
struct LocalWorld : test::World
{
    LocalWorld() { local(QString::fromUtf8(kLocal)); }
};

} // namespace

class TestAddColumn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_reference.isValid());
        test::runSqlScript(m_reference.path(), test::kReferenceDatabase,
                           QString::fromUtf8(kReference));
        m_referenceServer = QStringLiteral("sqlite:") + m_reference.path();
    }

    void statement_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<schema::Column>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("int, nullable")
            << "Righe" << column("Quantita", "int") << "ALTER TABLE [Righe] ADD [Quantita] [int] ";
        QTest::newRow("char, not null") << "Clienti" << sized(column("Codice", "char", false), 10)
                                        << "ALTER TABLE [Clienti] ADD [Codice] [char] (10) COLLATE "
                                           "SQL_Latin1_General_CP1_CI_AS "
                                           "NOT NULL ";
        QTest::newRow("decimal with default")
            << "Prodotti" << withDefault(sized(column("Prezzo", "decimal", false), 9, 18, 4), "(0)")
            << "ALTER TABLE [Prodotti] ADD [Prezzo] [decimal] (18, 4) NOT NULL DEFAULT (0) ";
        QTest::newRow("identity")
            << "Righe" << identity(column("Riga", "int", false), 1, 1)
            << "ALTER TABLE [Righe] ADD [Riga] [int] IDENTITY (1, 1) NOT NULL ";
        QTest::newRow("nchar") << "Clienti" << sized(column("Sigla", "nchar"), 5)
                               << "ALTER TABLE [Clienti] ADD [Sigla] [nchar] (5) COLLATE "
                                  "SQL_Latin1_General_CP1_CI_AS ";
        QTest::newRow("decimal identity")
            << "Righe" << identity(sized(column("Num", "decimal", false), 9, 18, 0), 100, 10)
            << "ALTER TABLE [Righe] ADD [Num] [decimal] (18, 0) IDENTITY (100, 10) NOT NULL ";
        QTest::newRow("nullable with default")
            << "Clienti" << withDefault(sized(column("Stato", "nchar"), 1), "('N')")
            << "ALTER TABLE [Clienti] ADD [Stato] [nchar] (1) COLLATE SQL_Latin1_General_CP1_CI_AS "
               "DEFAULT ('N') ";
        QTest::newRow("empty string default")
            << "T" << withDefault(sized(column("Nota", "varchar", false), 50), " ('') ")
            << "ALTER TABLE [T] ADD [Nota] [varchar] (50) NOT NULL DEFAULT ('') ";
        QTest::newRow("varchar length") << "T" << sized(column("Nota", "varchar"), 50)
                                        << "ALTER TABLE [T] ADD [Nota] [varchar] (50) ";
        QTest::newRow("nvarchar max") << "T" << sized(column("Testo", "nvarchar"), -1)
                                      << "ALTER TABLE [T] ADD [Testo] [nvarchar] (max) ";
        QTest::newRow("binary") << "T" << sized(column("Hash", "binary"), 16)
                                << "ALTER TABLE [T] ADD [Hash] [binary] (16) ";
        QTest::newRow("varbinary max") << "T" << sized(column("Foto", "VARBINARY"), -1)
                                       << "ALTER TABLE [T] ADD [Foto] [VARBINARY] (max) ";
        QTest::newRow("numeric") << "T" << sized(column("Peso", "numeric"), 5, 9, 3)
                                 << "ALTER TABLE [T] ADD [Peso] [numeric] (9, 3) ";
        QTest::newRow("datetime with function default")
            << "T" << withDefault(column("Data", "datetime", false), "(getdate())")
            << "ALTER TABLE [T] ADD [Data] [datetime] NOT NULL DEFAULT (getdate()) ";
        QTest::newRow("a tab is not a blank")
            << "T" << column("Nota\t", "int") << "ALTER TABLE [T] ADD [Nota\t] [int] ";
        QTest::newRow("names with blanks and brackets")
            << "Righe Ordine]" << column(" Codice]A ", " int ")
            << "ALTER TABLE [Righe Ordine]]] ADD [Codice]]A] [int] ";
    }

    void statement()
    {
        QFETCH(QString, table);
        QFETCH(schema::Column, column);
        QTEST(schema::addColumnStatement(table, column), "expected");
    }

    void procedure_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("boxTitle");
        QTest::addColumn<bool>("runsOnEmbedded"); // the engine refuses NOT NULL without default

        const QString key = QStringLiteral("Non Posso Aggiungere il Campo Perchè è una chiave!!");
        const QString absent = QStringLiteral("ERRORE Non posso Creare il Campo !!");
        const QString absentTitle = QStringLiteral("Campo non Trovato nel Database di Origine");
        const QString exists =
            QStringLiteral("Non posso  creare il Campo '%1'\r\nPerchè sul server '") +
            QStringLiteral("<local>' esiste gia !");
        const QString existsTitle = QStringLiteral("Esiste il Campo su server di lavoro");

        // The local database is on the embedded engine: the statement is in its words.
        QTest::newRow("int") << "Righe"
                             << "Quantita"
                             << "ALTER TABLE \"Righe\" ADD \"Quantita\" int "
                             << ""
                             << "" << true;
        QTest::newRow("char") << "Clienti"
                              << "Codice"
                              << "ALTER TABLE \"Clienti\" ADD \"Codice\" char(10) COLLATE "
                                 "SQL_Latin1_General_CP1_CI_AS NOT NULL "
                              << ""
                              << "" << true;
        QTest::newRow("decimal")
            << "Prodotti"
            << "Prezzo"
            << "ALTER TABLE \"Prodotti\" ADD \"Prezzo\" decimal(18, 4) NOT NULL DEFAULT (0) "
            << ""
            << "" << true;
        QTest::newRow("identity")
            << "Righe"
            << "Riga"
            << "ALTER TABLE \"Righe\" ADD \"Riga\" int IDENTITY (1, 1) NOT NULL "
            << ""
            << "" << true;
        QTest::newRow("nchar") << "Clienti"
                               << "Sigla"
                               << "ALTER TABLE \"Clienti\" ADD \"Sigla\" nchar(5) COLLATE "
                                  "SQL_Latin1_General_CP1_CI_AS "
                               << ""
                               << "" << true;
        QTest::newRow("nullable with default") << "Clienti"
                                               << "Stato"
                                               << "ALTER TABLE \"Clienti\" ADD \"Stato\" nchar(1) "
                                                  "COLLATE SQL_Latin1_General_CP1_CI_AS "
                                                  "DEFAULT ('N') "
                                               << ""
                                               << "" << true;
        QTest::newRow("numeric carries precision")
            << "Prodotti"
            << "Peso"
            << "ALTER TABLE \"Prodotti\" ADD \"Peso\" numeric(9, 3) "
            << ""
            << "" << true;
        // The statement names the local table as stored, not as the grid does.
        QTest::newRow("grid names in other case")
            << "clienti"
            << "sigla"
            << "ALTER TABLE \"Clienti\" ADD \"Sigla\" nchar(5) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS "
            << ""
            << "" << true;
        QTest::newRow("names trimmed") << "  Righe "
                                       << " Quantita  "
                                       << "ALTER TABLE \"Righe\" ADD \"Quantita\" int "
                                       << ""
                                       << "" << true;
        QTest::newRow("last match wins") << "Doppi"
                                         << "codice"
                                         << "ALTER TABLE \"Doppi\" ADD \"Codice\" varchar(20) "
                                         << ""
                                         << "" << true;
        QTest::newRow("local column in other case: not seen")
            << "Clienti"
            << "Descrizione"
            << "ALTER TABLE \"Clienti\" ADD \"Descrizione\" varchar(80) "
            << ""
            << "" << false;
        QTest::newRow("letter case beyond ASCII: the local table's own name")
            << "Città"
            << "Provincia"
            << "ALTER TABLE \"CITTÀ\" ADD \"Provincia\" char(2) COLLATE "
               "SQL_Latin1_General_CP1_CI_AS "
            << ""
            << "" << true;
        QTest::newRow("brackets and quotes in names")
            << "Strano]Nome"
            << "Campo]X"
            << "ALTER TABLE \"Strano]Nome\" ADD \"Campo]X\" int "
            << ""
            << "" << true;
        QTest::newRow("local table with a trailing blank")
            << "trail"
            << "Nota"
            << "ALTER TABLE \"trail \" ADD \"Nota\" text "
            << ""
            << "" << true;
        QTest::newRow("key column") << "Righe"
                                    << "IDDoc"
                                    << "" << key << "Attenzione" << false;
        QTest::newRow("key column, other case") << "Righe"
                                                << "iddoc"
                                                << "" << key << "Attenzione" << false;
        QTest::newRow("existing column") << "Righe"
                                         << "Nota"
                                         << "" << exists.arg("Nota") << existsTitle << false;
        QTest::newRow("absent column") << "Righe"
                                       << "Sconto"
                                       << "" << absent << absentTitle << false;
        QTest::newRow("absent in reference, present locally")
            << "Prodotti"
            << "Altro"
            << "" << exists.arg("Altro") << existsTitle << false;
        // Only blanks are trimmed: a tab keeps the names apart.
        QTest::newRow("reference name ends in a tab") << "Sconti"
                                                      << "Sconto"
                                                      << "" << absent << absentTitle << false;
        QTest::newRow("grid name starts with a tab") << "Righe"
                                                     << "\tQuantita"
                                                     << "" << absent << absentTitle << false;
        QTest::newRow("table missing locally") << "Listini"
                                               << "Codice"
                                               << ""
                                               << ""
                                               << "" << false;
        QTest::newRow("table missing in reference") << "Assente"
                                                    << "Codice"
                                                    << ""
                                                    << ""
                                                    << "" << false;
    }

    void procedure()
    {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        QFETCH(QString, boxText);
        QFETCH(QString, boxTitle);
        QFETCH(bool, runsOnEmbedded);
        LocalWorld f;
        // The local server goes into the message as passed, blanks included.
        const QString localServer = QLatin1Char(' ') + f.server();
        if (!boxText.isEmpty())
            f.port.expectBox(boxText.replace(QLatin1String("<local>"), localServer));

        const QString statement =
            BuildAddColumnStatement(f.ctx, m_referenceServer, " sa ", "", " Corvane ", localServer,
                                    "sa", "", "locale ", table, column);

        QCOMPARE(statement, expected);
        QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
        if (!boxText.isEmpty()) {
            QCOMPARE(f.port.boxes.first().title, boxTitle);
            QCOMPARE(f.port.boxes.first().style, style::Critical);
        }
        QCOMPARE(f.port.yields, expected.isEmpty() ? 0 : 1);
        if (runsOnEmbedded) {
            f.open(test::kLocalDatabase)->Execute(statement);
            // The statement names the table as the local database stores it.
            const QStringList names = f.localRows(
                QStringLiteral("SELECT p.name FROM sqlite_schema s, pragma_table_info(s.name) p "
                               "WHERE s.type = 'table' AND s.name = '%1' COLLATE NOCASE")
                    .arg(statement.section(u'"', 1, 1)));
            QVERIFY(names.contains(column.trimmed(), Qt::CaseInsensitive));
        }
    }

    void serverObjectsStayInTheModuleVariables()
    {
        LocalWorld f;
        BuildAddColumnStatement(f.ctx, m_referenceServer, "sa", "", "Corvane", f.server(), "sa", "",
                                "Locale", "Righe", "Quantita");
        QVERIFY(f.g.SqlDmoServer && f.g.SqlDmoDatabase);
        QVERIFY(f.g.LocalSqlDmoServer && f.g.LocalSqlDmoDatabase);
        QVERIFY(f.g.SqlDmoServer != f.g.LocalSqlDmoServer);
    }

    void failuresGiveEmptyTextWithoutMessage_data()
    {
        QTest::addColumn<QString>("referenceServer"); // "<closed>": FreeTDS, nothing listening
        QTest::addColumn<QString>("localServer");
        QTest::addColumn<QString>("localDatabase");
        QTest::newRow("reference unreachable") << "<closed>"
                                               << "<local>"
                                               << "Locale";
        QTest::newRow("local unreachable") << "<ref>"
                                           << "<closed>"
                                           << "Locale";
        QTest::newRow("local database absent") << "<ref>"
                                               << "<local>"
                                               << "Altro";
        QTest::newRow("reference folder missing") << "sqlite:/nonexistent/x"
                                                  << "<local>"
                                                  << "Locale";
    }

    void failuresGiveEmptyTextWithoutMessage()
    {
        QFETCH(QString, referenceServer);
        QFETCH(QString, localServer);
        QFETCH(QString, localDatabase);
        const QString closed = QStringLiteral("127.0.0.1,%1").arg(test::closedLoopbackPort());
        LocalWorld f;
        for (QString* s : {&referenceServer, &localServer}) {
            if (*s == u"<closed>") *s = closed;
            if (*s == u"<ref>") *s = m_referenceServer;
            if (*s == u"<local>") *s = f.server();
        }
        QCOMPARE(BuildAddColumnStatement(f.ctx, referenceServer, "sa", "pw", "Corvane", localServer,
                                         "sa", "pw", localDatabase, "Righe", "Quantita"),
                 QString());
        QVERIFY(f.port.boxes.isEmpty());
    }

    // A refused login on either side, as the component reports it.
    void refusedLoginGivesEmptyText()
    {
        test::World f;
        auto fake = test::useFakeSqlDmo(f.g);
        fake->catalog->refuseConnect = true;
        QCOMPARE(BuildAddColumnStatement(f.ctx, "srv", "sa", "wrong", "Corvane", "loc", "sa", "pw",
                                         "Locale", "Righe", "Quantita"),
                 QString());
        QVERIFY(f.port.boxes.isEmpty());
        QCOMPARE(fake->calls->loginTimeouts, QList<int>{-1}); // none set of its own
    }

private:
    QTemporaryDir m_reference;
    QString m_referenceServer;
};

QTEST_GUILESS_MAIN(TestAddColumn)
#include "test_addcolumn.moc"

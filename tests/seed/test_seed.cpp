#include "seed/seed.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QDate>
#include <QtTest>
#include <sqlite3.h>

using namespace corvane;

namespace {

const QStringList kTables = {QStringLiteral("AlberoCategorie"),
                             QStringLiteral("Causali"),
                             QStringLiteral("Iva"),
                             QStringLiteral("NumerazioneDocumenti"),
                             QStringLiteral("Parametri"),
                             QStringLiteral("prodotti"),
                             QStringLiteral("Soggetti"),
                             QStringLiteral("TipiDocumento"),
                             QStringLiteral("TipiPagamento"),
                             QStringLiteral("TipiSoggetti")};

bool stopped(const test::RecordingLog& log)
{
    return !log.lines.filter(QStringLiteral("SeedDefaultRows stopped")).isEmpty();
}

// Two embedded databases with the lookup tables: the reference with the maker's
// rows, the local one empty unless a test adds rows or reshapes a table.
struct Fixture : test::World
{
    explicit Fixture(const QString& localSql = {}, const QString& referenceSql = {})
    {
        const QString schema = test::readTestSource(QStringLiteral("support/lookup_tables.sql"));
        reference(schema + test::readTestSource(QStringLiteral("seed/reference_rows.sql")));
        if (!referenceSql.isEmpty()) reference(referenceSql);
        local(schema);
        if (!localSql.isEmpty()) local(localSql);
        connect();
    }

    int count(const QString& table) const
    {
        return localRows(QStringLiteral("SELECT count(*) FROM ") + table).value(0).toInt();
    }
    QStringList emptyTables() const
    {
        QStringList empty;
        const QStringList present = localRows(QStringLiteral("SELECT name FROM sqlite_master"));
        for (const QString& t : kTables)
            if (present.contains(t) && count(t) == 0) empty << t;
        return empty;
    }
};

QString thisYear()
{
    return QString::number(QDate::currentDate().year());
}

} // namespace

class TestSeed : public QObject
{
    Q_OBJECT
private slots:
    void localNotOpenWritesNothing_data();
    void localNotOpenWritesNothing();
    void freshDatabaseReceivesEveryDefaultRow();
    void fixedRowAddedOnlyWithoutKeyZero_data();
    void fixedRowAddedOnlyWithoutKeyZero();
    void copySectionSkippedWhenTableHasRows_data();
    void copySectionSkippedWhenTableHasRows();
    void countersCopiedOncePerNameWithThisYear();
    void parametriMergeKeepsLocalValore();
    void tipiDocumentoDuplicateKeyAndConstantFlag();
    void missingLocalColumnStopsEverythingAfter_data();
    void missingLocalColumnStopsEverythingAfter();
    void refusedRowKeepsEarlierRowsOfItsSection();
    void keyWithQuoteIsLookedUpAndInserted();
    void referenceUnavailableStopsAtFirstCopy_data();
    void referenceUnavailableStopsAtFirstCopy();
    void secondRunRestoresOnlyWhatTheRulesSay();
    void windowServedBetweenSectionsOnly();
};

void TestSeed::localNotOpenWritesNothing_data()
{
    QTest::addColumn<bool>("closeOnly");
    QTest::newRow("no connection object") << false;
    QTest::newRow("connection closed") << true;
}

void TestSeed::localNotOpenWritesNothing()
{
    QFETCH(bool, closeOnly);
    Fixture f;
    if (closeOnly)
        f.g.LocalConnection->Close();
    else
        f.g.LocalConnection.reset();
    SeedDefaultRows(f.ctx);
    QCOMPARE(f.emptyTables(), kTables);
    QVERIFY(f.port.boxes.isEmpty());
    QVERIFY(!stopped(f.log));
}

void TestSeed::freshDatabaseReceivesEveryDefaultRow()
{
    Fixture f;
    SeedDefaultRows(f.ctx);
    QVERIFY2(!stopped(f.log), qPrintable(f.log.lines.join('\n')));
    QVERIFY(f.port.boxes.isEmpty());

    QCOMPARE(f.localRows("SELECT ID, Descrizione, IDPadre, IDCalcolaListino FROM AlberoCategorie"),
             QStringList{"0|Root|0|0"});
    QCOMPARE(f.localRows("SELECT * FROM Causali ORDER BY IDCausale"),
             (QStringList{"1|Vendita|1", "2|Acquisto|-1", "3|Reso|1"}));
    QCOMPARE(f.localRows("SELECT IdIva, Descrizione, Aliquota, Note FROM Iva ORDER BY IdIva"),
             (QStringList{"10|Ridotta|10|<null>", "22|Aliquota ordinaria|22|art. 16"}));
    QCOMPARE(f.localRows("SELECT IDparametro, Descrizione, Valore, Note FROM Parametri "
                         "ORDER BY IDparametro"),
             (QStringList{"1|Versione DataBase|3.10.b|versione",
                          "2|Magazzino predefinito|MAG1|nota di riferimento",
                          "7|Decimali prezzi|2|<null>"}));
    QCOMPARE(f.localRows("SELECT idProdotto, CodInterno, Descrizione, Categoria, IdIva, Prezzo "
                         "FROM prodotti"),
             QStringList{"0|NUOVO0|NESSUN PRODOTTO|0|0|0"});
    QCOMPARE(f.localRows("SELECT IDSoggetto, IdTipoSoggetto, RagioneSociale, Citta FROM Soggetti"),
             QStringList{"0|CL|ANONIMO|<null>"});
    QCOMPARE(f.localRows("SELECT * FROM TipiPagamento ORDER BY IDTipoPagamento"),
             (QStringList{"1|Rimessa diretta|0|0", "2|Bonifico 30 gg FM|1|30"}));
    QCOMPARE(f.localRows("SELECT * FROM TipiSoggetti ORDER BY IdTipoSoggetto"),
             (QStringList{"CL|Cliente", "FO|Fornitore"}));
    // Numeric constants reach the integer columns as numbers, not as text.
    QCOMPARE(f.localRows("SELECT typeof(ID), typeof(IDPadre) FROM AlberoCategorie"),
             QStringList{"integer|integer"});
}

void TestSeed::fixedRowAddedOnlyWithoutKeyZero_data()
{
    QTest::addColumn<QString>("localSql");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("AlberoCategorie root present")
        << "INSERT INTO AlberoCategorie VALUES (0, 'Mia radice', 5, 6);"
        << "SELECT * FROM AlberoCategorie ORDER BY ID" << QStringList{"0|Mia radice|5|6"};
    QTest::newRow("AlberoCategorie other rows only")
        << "INSERT INTO AlberoCategorie VALUES (4, 'Ramo', 0, 0);"
        << "SELECT * FROM AlberoCategorie ORDER BY ID" << QStringList{"0|Root|0|0", "4|Ramo|0|0"};
    QTest::newRow("prodotti key 0 present")
        << "INSERT INTO prodotti VALUES (0, 'X', 'mio', 3, 22, 1.5);"
        << "SELECT * FROM prodotti" << QStringList{"0|X|mio|3|22|1.5"};
    QTest::newRow("Soggetti key 0 present")
        << "INSERT INTO Soggetti VALUES (0, 'FO', 'Rossi', 'Roma');"
        << "SELECT * FROM Soggetti" << QStringList{"0|FO|Rossi|Roma"};
    QTest::newRow("Soggetti other rows only")
        << "INSERT INTO Soggetti VALUES (9, 'FO', 'Rossi', 'Roma');"
        << "SELECT * FROM Soggetti ORDER BY IDSoggetto"
        << QStringList{"0|CL|ANONIMO|<null>", "9|FO|Rossi|Roma"};
}

void TestSeed::fixedRowAddedOnlyWithoutKeyZero()
{
    QFETCH(QString, localSql);
    QFETCH(QString, query);
    QFETCH(QStringList, expected);
    Fixture f(localSql);
    SeedDefaultRows(f.ctx);
    QCOMPARE(f.localRows(query), expected);
    QVERIFY(!stopped(f.log));
    QCOMPARE(f.emptyTables(), QStringList{});
}

void TestSeed::copySectionSkippedWhenTableHasRows_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("localRow");
    QTest::addColumn<QString>("expectedRow");

    // The reference table is dropped: reading it would stop the seeding.
    QTest::newRow("Causali") << "Causali"
                             << "(9, 'Mia', 0)"
                             << "9|Mia|0";
    QTest::newRow("Iva") << "Iva"
                         << "(4, 'Super ridotta', 4, 'x')"
                         << "4|Super ridotta|4|x";
    QTest::newRow("NumerazioneDocumenti") << "NumerazioneDocumenti"
                                          << "(1, 'MIO', '', '3', 2001)"
                                          << "1|MIO||3|2001";
    QTest::newRow("TipiDocumento")
        << "TipiDocumento"
        << "(5, 'Ordine', 'ORD', 0, 0, 0, 0, 'CL', 0, NULL, 1, 'o.rpt', 1)"
        << "5|Ordine|ORD|0|0|0|0|CL|0|<null>|1|o.rpt|1";
    QTest::newRow("TipiPagamento") << "TipiPagamento"
                                   << "(8, 'Contanti', 0, 0)"
                                   << "8|Contanti|0|0";
    QTest::newRow("TipiSoggetti") << "TipiSoggetti"
                                  << "('AG', 'Agente')"
                                  << "AG|Agente";
}

void TestSeed::copySectionSkippedWhenTableHasRows()
{
    QFETCH(QString, table);
    QFETCH(QString, localRow);
    QFETCH(QString, expectedRow);
    Fixture f(QStringLiteral("INSERT INTO %1 VALUES %2;").arg(table, localRow),
              QStringLiteral("DROP TABLE %1;").arg(table));
    SeedDefaultRows(f.ctx);
    QVERIFY2(!stopped(f.log), qPrintable(f.log.lines.join('\n')));
    QCOMPARE(f.localRows(QStringLiteral("SELECT * FROM ") + table), QStringList{expectedRow});
    QCOMPARE(f.emptyTables(), QStringList{});
}

void TestSeed::countersCopiedOncePerNameWithThisYear()
{
    Fixture f;
    SeedDefaultRows(f.ctx);
    QCOMPARE(f.localRows("SELECT NomeContatore, Sezionale IS NULL, Sezionale, Numerazione, "
                         "typeof(Numerazione), Anno, typeof(Anno) FROM NumerazioneDocumenti "
                         "ORDER BY NomeContatore"),
             (QStringList{"DDT|0||0|text|" + thisYear() + "|integer",
                          "FATTURE|0||0|text|" + thisYear() + "|integer"}));
}

void TestSeed::parametriMergeKeepsLocalValore()
{
    Fixture f("INSERT INTO Parametri VALUES (1, 'vecchia', '3.09', 'nota locale');"
              "INSERT INTO Parametri VALUES (2, 'Magazzino', 'MAGLOC', NULL);"
              "INSERT INTO Parametri VALUES (99, 'Solo locale', 'L', 'resta');");
    SeedDefaultRows(f.ctx);
    QVERIFY(!stopped(f.log));
    QCOMPARE(f.localRows("SELECT * FROM Parametri ORDER BY IDparametro"),
             (QStringList{"1|Versione DataBase|3.09|versione",
                          "2|Magazzino predefinito|MAGLOC|nota di riferimento",
                          "7|Decimali prezzi|2|<null>", "99|Solo locale|L|resta"}));
}

void TestSeed::tipiDocumentoDuplicateKeyAndConstantFlag()
{
    Fixture f;
    SeedDefaultRows(f.ctx);
    QCOMPARE(f.localRows("SELECT * FROM TipiDocumento ORDER BY IDTipoDocumento"),
             (QStringList{"1|Fattura|FATTURE|1|0|0|1|CL|-1|<null>|2|fattura.rpt|0",
                          "2|DDT|DDT|-1|1|0|0|CL|-1|1|1|ddt.rpt|0"}));
}

void TestSeed::missingLocalColumnStopsEverythingAfter_data()
{
    QTest::addColumn<QString>("reshape");
    QTest::addColumn<QStringList>("emptyAfter");

    QTest::newRow("Causali without ValorizzazioneMagazzino")
        << "DROP TABLE Causali; CREATE TABLE Causali (IDCausale int, Descrizione varchar(50));"
        << kTables.mid(1);
    QTest::newRow("Parametri without Note")
        << "DROP TABLE Parametri; CREATE TABLE Parametri (IDparametro int, "
           "Descrizione varchar(100), Valore varchar(50));"
        << kTables.mid(4);
    QTest::newRow("TipiPagamento without Giorni")
        << "DROP TABLE TipiPagamento; CREATE TABLE TipiPagamento (IDTipoPagamento int, "
           "Descrizione varchar(50), FineMese bit);"
        << kTables.mid(8);
    QTest::newRow("TipiSoggetti missing") << "DROP TABLE TipiSoggetti;" << kTables.mid(9, 0);
}

void TestSeed::missingLocalColumnStopsEverythingAfter()
{
    QFETCH(QString, reshape);
    QFETCH(QStringList, emptyAfter);
    Fixture f(reshape);
    SeedDefaultRows(f.ctx);
    QVERIFY(stopped(f.log));
    QVERIFY(f.port.boxes.isEmpty());
    QCOMPARE(f.emptyTables(), emptyAfter);
    QCOMPARE(f.localRows("SELECT Descrizione FROM AlberoCategorie"), QStringList{"Root"});
}

void TestSeed::refusedRowKeepsEarlierRowsOfItsSection()
{
    // The second reference Iva row has no Note, which this local table refuses.
    Fixture f("DROP TABLE Iva; CREATE TABLE Iva (IdIva int, Descrizione varchar(50), "
              "Aliquota decimal(18, 2), Note varchar(100) NOT NULL);");
    SeedDefaultRows(f.ctx);
    QVERIFY(stopped(f.log));
    QCOMPARE(f.localRows("SELECT IdIva FROM Iva"), QStringList{"22"});
    QCOMPARE(f.count("Causali"), 3);
    QCOMPARE(f.count("NumerazioneDocumenti"), 0);
    QCOMPARE(f.count("TipiSoggetti"), 0);
}

void TestSeed::keyWithQuoteIsLookedUpAndInserted()
{
    Fixture f({}, "INSERT INTO TipiSoggetti VALUES ('L''', 'Legale'), ('ZZ', 'Altro'), "
                  "('L''', 'Legale doppio');");
    SeedDefaultRows(f.ctx);
    QVERIFY2(!stopped(f.log), qPrintable(f.log.lines.join('\n')));
    QCOMPARE(f.localRows("SELECT * FROM TipiSoggetti ORDER BY IdTipoSoggetto"),
             (QStringList{"CL|Cliente", "FO|Fornitore", "L'|Legale", "ZZ|Altro"}));
}

void TestSeed::referenceUnavailableStopsAtFirstCopy_data()
{
    QTest::addColumn<bool>("closeOnly");
    QTest::newRow("no connection object") << false;
    QTest::newRow("connection closed") << true;
}

void TestSeed::referenceUnavailableStopsAtFirstCopy()
{
    QFETCH(bool, closeOnly);
    Fixture f;
    if (closeOnly)
        f.g.ReferenceConnection->Close();
    else
        f.g.ReferenceConnection.reset();
    SeedDefaultRows(f.ctx);
    QVERIFY(stopped(f.log));
    QVERIFY(f.port.boxes.isEmpty());
    QCOMPARE(f.emptyTables(), kTables.mid(1));
}

void TestSeed::secondRunRestoresOnlyWhatTheRulesSay()
{
    Fixture f;
    SeedDefaultRows(f.ctx);
    f.local("DELETE FROM AlberoCategorie; DELETE FROM Causali WHERE IDCausale = 3;"
            "UPDATE Parametri SET Note = 'cambiata', Descrizione = 'x', Valore = 'v'"
            " WHERE IDparametro = 2; DELETE FROM TipiPagamento WHERE IDTipoPagamento = 1;");
    QHash<QString, QStringList> before;
    for (const QString& t : kTables)
        before[t] = f.localRows("SELECT * FROM " + t);

    SeedDefaultRows(f.ctx);
    QVERIFY(!stopped(f.log));
    // Only the fixed row and the reference's texts come back; the rest stays as left.
    for (const QString& t : kTables)
        if (t != QLatin1String("AlberoCategorie") && t != QLatin1String("Parametri"))
            QCOMPARE(f.localRows("SELECT * FROM " + t), before.value(t));
    QCOMPARE(f.localRows("SELECT * FROM AlberoCategorie"), QStringList{"0|Root|0|0"});
    QCOMPARE(f.localRows("SELECT * FROM Parametri WHERE IDparametro = 2"),
             QStringList{"2|Magazzino predefinito|v|nota di riferimento"});
    QCOMPARE(f.count("Causali"), 2);
    QCOMPARE(f.count("TipiPagamento"), 1);
    QCOMPARE(f.count("NumerazioneDocumenti"), 2);
    QCOMPARE(f.count("TipiDocumento"), 2);
    QCOMPARE(f.count("Parametri"), 3);
    QCOMPARE(f.count("prodotti"), 1);
}

// Each section waits for the disk once: the window is served before each,
// never while a section's transaction is open.
void TestSeed::windowServedBetweenSectionsOnly()
{
    Fixture f;
    sqlite3* local = f.g.LocalConnection->embeddedHandle();
    QStringList rowsAtYields;
    bool insideTransaction = false;
    f.port.onYield = [&] {
        insideTransaction = insideTransaction || !sqlite3_get_autocommit(local);
        rowsAtYields << f.localRows(QStringLiteral("SELECT count(*) FROM TipiSoggetti"));
    };
    SeedDefaultRows(f.ctx);
    QVERIFY(!stopped(f.log));
    QVERIFY(!insideTransaction);
    // One yield per section; the last section, TipiSoggetti, fills after the last.
    QCOMPARE(rowsAtYields.size(), kTables.size());
    QCOMPARE(rowsAtYields.constLast(), QStringLiteral("0"));
    QVERIFY(f.localRows(QStringLiteral("SELECT count(*) FROM TipiSoggetti")).constFirst() != "0");
}

QTEST_GUILESS_MAIN(TestSeed)
#include "test_seed.moc"

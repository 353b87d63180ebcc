// Schema update run on an embedded reference 200 tables and 2,000 columns
// ahead of the local database: the whole Cmd_Click (creation, seeding, second
// comparison) against the DDL statements it sent, executed alone through the
// same database layer on a copy of the local database taken before the run.
//   bench_updaterun [missing tables] [missing columns]   (default 200 2000)
#include "common/peakmemory.h"
#include "schema/comparison.h"
#include "schema/updaterun.h"
#include "state/context.h"
#include "support/testdb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

using namespace corvane;

namespace {

constexpr int kColumnsPerNewTable = 10;
constexpr int kMissingColumnsPerTable = 20;

QString lookupTables()
{
    return QStringLiteral(
        "CREATE TABLE AlberoCategorie (ID int, Descrizione varchar(50), IDPadre int, "
        "IDCalcolaListino int);"
        "CREATE TABLE Causali (IDCausale int, Descrizione varchar(50), ValorizzazioneMagazzino "
        "int);"
        "CREATE TABLE Iva (IdIva int, Descrizione varchar(50), Aliquota decimal(18, 2), Note "
        "varchar(50));"
        "CREATE TABLE NumerazioneDocumenti (NomeContatore varchar(30), Sezionale varchar(5), "
        "  Numerazione varchar(10), Anno smallint);"
        "CREATE TABLE Parametri (IDparametro int, Descrizione varchar(50), Valore varchar(50), "
        "Note varchar(50));"
        "CREATE TABLE prodotti (idProdotto int, CodInterno varchar(20), Descrizione varchar(50), "
        "  Categoria int, IdIva int);"
        "CREATE TABLE Soggetti (IDSoggetto int, IdTipoSoggetto varchar(2), RagioneSociale "
        "varchar(50));"
        "CREATE TABLE TipiDocumento (IDTipoDocumento int, Descrizione varchar(50), NomeContatore "
        "varchar(30), "
        "  ValorizzazioneMagazzino int, trasporto bit, Riepilogativa bit, Contabile bit, "
        "  IDTipiSoggetto varchar(2), AggiornaGiacenza int, IDTipoDocsorgente int, Copie int, "
        "  Report varchar(50), ECBrellomix bit);"
        "CREATE TABLE TipiPagamento (IDTipoPagamento int, Descrizione varchar(50), FineMese bit, "
        "Giorni int);"
        "CREATE TABLE TipiSoggetti (IdTipoSoggetto varchar(2), Descrizione varchar(50));"
        "CREATE VIEW VProdotto AS SELECT idProdotto FROM prodotti;"
        "CREATE VIEW VProdotti AS SELECT idProdotto FROM prodotti;");
}

// The reference holds every table whole; the local database lacks the new
// tables and the last columns of the shared ones, and holds rows in them.
QString schemaScript(int newTables, int missingColumns, bool local)
{
    const int sharedTables =
        (missingColumns + kMissingColumnsPerTable - 1) / kMissingColumnsPerTable;
    QString sql = QStringLiteral("BEGIN;") + lookupTables();
    if (!local)
        sql += QStringLiteral(
            "INSERT INTO Parametri VALUES (1, 'Versione DataBase', '7.3.a', NULL);"
            "INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente'), ('FO', 'Fornitore');");
    for (int t = 0; t < sharedTables; ++t) {
        QStringList columns{QStringLiteral("ID integer PRIMARY KEY"),
                            QStringLiteral("Nome varchar(50)")};
        const int missing =
            std::min(kMissingColumnsPerTable, missingColumns - t * kMissingColumnsPerTable);
        if (!local)
            for (int c = 0; c < missing; ++c)
                columns << QStringLiteral("Campo%1 decimal(18, 4) NOT NULL DEFAULT (0)").arg(c);
        sql += QStringLiteral("CREATE TABLE Anagrafica%1 (%2);")
                   .arg(t, 4, 10, QLatin1Char('0'))
                   .arg(columns.join(", "));
        if (local)
            sql += QStringLiteral("INSERT INTO Anagrafica%1 (Nome) VALUES ('a'), ('b');")
                       .arg(t, 4, 10, QLatin1Char('0'));
    }
    for (int t = 0; !local && t < newTables; ++t) {
        QStringList columns{QStringLiteral("ID integer PRIMARY KEY")};
        for (int c = 1; c < kColumnsPerNewTable; ++c)
            columns << QStringLiteral("Valore%1 varchar(50)").arg(c);
        sql += QStringLiteral("CREATE TABLE Nuova%1 (%2);")
                   .arg(t, 4, 10, QLatin1Char('0'))
                   .arg(columns.join(", "));
    }
    return sql + QStringLiteral("COMMIT;");
}

// Answers every box, and keeps the longest stretch without a yield.
class BenchPlatform : public PlatformPort
{
public:
    Answer messageBox(const QString& text, const QString&, int) override
    {
        boxes << text;
        mark();
        return Answer::Ok;
    }
    void yield() override
    {
        mark();
        QCoreApplication::processEvents();
    }
    [[noreturn]] void endProgram(int code) override { std::exit(code); }
    bool launch(const QString&) override { return false; }
    bool shellOpen(const QString&, const QString&) override { return false; }
    void setMousePointer(int) override {}
    QStringList commandLine() const override { return {}; }
    QString programFolder() const override { return folder; }
    QVersionNumber programVersion() const override { return {1, 2, 0}; }

    void start()
    {
        longestGapMs = 0;
        clock.start();
    }
    void mark()
    {
        const qint64 gap = clock.restart();
        if (gap > longestGapMs) {
            longestGapMs = gap;
            longestGapEnd = phase ? phase() : QString();
        }
    }

    QString folder;
    QStringList boxes;
    QElapsedTimer clock;
    qint64 longestGapMs = 0;
    QString longestGapEnd;          // where the longest stretch ended
    std::function<QString()> phase; // the phase shown on the window
};

struct StatementLog : EventLog
{
    QStringList statements;
    void record(const QString& line) override
    {
        static const QString prefix = QStringLiteral("Cmd_Click: executed: ");
        if (line.startsWith(prefix)) statements << line.mid(prefix.size());
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int newTables = argc > 1 ? std::atoi(argv[1]) : 200;
    const int missingColumns = argc > 2 ? std::atoi(argv[2]) : 2000;
    qputenv("CORVANE_FTP_HOST",
            "127.0.0.1:9"); // nothing listens: the version check gives up at once

    QTemporaryDir dir;
    const QString folder = dir.path();
    test::runSqlScript(folder, QStringLiteral("Corvane"),
                       schemaScript(newTables, missingColumns, false));
    test::runSqlScript(folder, QStringLiteral("Locale"),
                       schemaScript(newTables, missingColumns, true));
    QFile::copy(folder + "/Locale.db", folder + "/Copia.db");

    FormState form;
    GlobalState g;
    BenchPlatform port;
    StatementLog log;
    Context ctx{form, g, port, log};
    port.folder = folder;
    port.phase = [&form] {
        return form.lblinfo.caption() + QStringLiteral(" (row %1)").arg(form.PB1.value());
    };
    g.ReferenceServer = g.LocalServer = QStringLiteral("sqlite:") + folder;
    g.ReferenceUser = g.LocalUser = QStringLiteral("sa");
    g.ReferenceDatabase = QStringLiteral("Corvane");
    g.LocalDatabase = QStringLiteral("Locale");
    g.ReferenceConnectionString = test::embeddedConnectionString(folder, g.ReferenceDatabase);
    g.LocalConnectionString = test::embeddedConnectionString(folder, g.LocalDatabase);
    g.ReferenceConnection = std::make_unique<db::Connection>();
    g.ReferenceConnection->Open(g.ReferenceConnectionString);
    g.LocalConnection = std::make_unique<db::Connection>();
    g.LocalConnection->Open(g.LocalConnectionString);
    form.lblConnesso.setCaption(QStringLiteral("DB Connesso"));

    CommandAggiungiProvvigione_Click(ctx);
    int redBefore = 0;
    for (int r = 1; r < form.FlexDb.Rows(); ++r)
        redBefore += form.FlexDb.cellColour(r, 2) == colour::Red;

    port.boxes.clear();
    QElapsedTimer whole;
    port.start();
    whole.start();
    Cmd_Click(ctx);
    const qint64 wholeMs = whole.elapsed();
    port.mark();

    int redAfter = 0;
    for (int r = 1; r < form.FlexDb.Rows(); ++r)
        redAfter += form.FlexDb.cellColour(r, 2) == colour::Red;

    // The same statements, alone, on the local database as it was before the run.
    db::Connection copy;
    copy.Open(test::embeddedConnectionString(folder, QStringLiteral("Copia")));
    QElapsedTimer alone;
    alone.start();
    QElapsedTimer one;
    qint64 longestStatementMs = 0;
    for (const QString& sql : log.statements) {
        one.start();
        copy.Execute(sql);
        longestStatementMs = std::max(longestStatementMs, one.elapsed());
    }
    const qint64 aloneMs = std::max<qint64>(1, alone.elapsed());

    std::printf("update run: %d red rows before, %d after; %lld statements\n", redBefore, redAfter,
                static_cast<long long>(log.statements.size()));
    std::printf("boxes: %s\n", qPrintable(port.boxes.join(QStringLiteral(" / "))));
    std::printf("whole Cmd_Click: %lld ms; DDL alone through the db layer: %lld ms; ratio %.1f\n",
                static_cast<long long>(wholeMs), static_cast<long long>(aloneMs),
                static_cast<double>(wholeMs) / static_cast<double>(aloneMs));
    std::printf("longest event-loop gap: %lld ms (limit 100), ending in: %s\n",
                static_cast<long long>(port.longestGapMs), qPrintable(port.longestGapEnd));
    std::printf("longest single statement alone: %lld ms\n",
                static_cast<long long>(longestStatementMs));
    std::printf("peak memory (VmHWM): %ld KiB\n", peakMemoryKiB());
    return redAfter == 0 && port.longestGapMs < 100 ? 0 : 1;
}

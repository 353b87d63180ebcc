// Schema update run on an embedded reference 200 tables and 2,000 columns
// ahead of the local database: the whole Cmd_Click (creation, seeding, second
// comparison) against the DDL statements it sent, executed alone through the
// same database layer on a copy of the local database taken before the run.
//   bench_updaterun [missing tables] [missing columns]   (default 200 2000)
#include "common/benchplatform.h"
#include "common/peakmemory.h"
#include "schema/comparison.h"
#include "schema/updaterun.h"
#include "support/testdb.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

using namespace corvane;

namespace {

constexpr int kColumnsPerNewTable = 10;
constexpr int kMissingColumnsPerTable = 20;

// The lookup tables of the tests, and the second view the comparison looks for.
QString lookupTables()
{
    return test::readTestSource(QStringLiteral("support/lookup_tables.sql")) +
           QStringLiteral("CREATE VIEW VProdotti AS SELECT idProdotto FROM prodotti;");
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int newTables = argc > 1 ? std::atoi(argv[1]) : 200;
    const int missingColumns = argc > 2 ? std::atoi(argv[2]) : 2000;
    test::useClosedUpdateServer(); // the version check gives up at once

    test::BasicWorld<BenchPlatform> world;
    const QString folder = world.path();
    world.reference(schemaScript(newTables, missingColumns, false));
    world.local(schemaScript(newTables, missingColumns, true));
    QFile::copy(folder + "/Locale.db", folder + "/Copia.db");
    world.connect();

    FormState& form = world.form;
    BenchPlatform& port = world.port;
    Context& ctx = world.ctx;
    port.phase = [&form] {
        return form.lblinfo.caption() + QStringLiteral(" (row %1)").arg(form.PB1.value());
    };

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
    const std::unique_ptr<db::Connection> copy = world.open(QStringLiteral("Copia"));
    QElapsedTimer alone;
    alone.start();
    QElapsedTimer one;
    qint64 longestStatementMs = 0;
    const QStringList statements = world.log.executed();
    for (const QString& sql : statements) {
        one.start();
        copy->Execute(sql);
        longestStatementMs = std::max(longestStatementMs, one.elapsed());
    }
    const qint64 aloneMs = std::max<qint64>(1, alone.elapsed());

    std::printf("update run: %d red rows before, %d after; %lld statements\n", redBefore, redAfter,
                static_cast<long long>(statements.size()));
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

// Schema update run on the embedded engine, the reference N tables x 20
// columns and N/4 views ahead of the local database: the whole Cmd_Click
// (creation, seeding, second comparison) against the same DDL statements
// executed raw (sqlite3_exec) in one transaction on a copy of the same local
// database, the two alternating round by round.
//   bench_updaterun [--sizes 1000,2000,10000] [--rounds 5]
// Goals: at 2,000 tables at most 10 times the raw DDL; the cost per created
// object at the largest size at most 1.5 times the cost at the smallest
// (linear); the event loop serviced at least every 100 ms throughout; at
// 10,000 tables the peak memory under 200 MB.
#include "common/benchplatform.h"
#include "common/benchstats.h"
#include "common/peakmemory.h"
#include "schema/comparison.h"
#include "schema/updaterun.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

using namespace corvane;

namespace {

constexpr int kColumns = 20;
constexpr int kRatioGoalTables = 2000;
constexpr double kRatioGoal = 10;
constexpr double kLinearGoal = 1.5;
constexpr double kGapGoalMs = 100;
constexpr int kMemoryGoalTables = 10000;
constexpr double kMemoryGoalMb = 200;
// The boxes of a good run: the version check cannot reach the update server
// here, then the success box.
const QStringList kGoodBoxes{test::kFtpUnreachable,
                             QStringLiteral("Aggiornamento Avvenuto con Successo !!")};

// Both databases hold the lookup tables (with the view the comparison looks
// for) and 100 tables of their own; the reference also holds the new tables,
// each with 20 columns, and a view over every fourth of them.
QString schemaScript(int newTables, bool local)
{
    QString sql = QStringLiteral("BEGIN;") +
                  test::readTestSource(QStringLiteral("support/lookup_tables.sql")) +
                  QStringLiteral("CREATE VIEW VProdotti AS SELECT idProdotto FROM prodotti;");
    if (!local)
        sql += QStringLiteral(
            "INSERT INTO Parametri VALUES (1, 'Versione DataBase', '7.3.a', NULL);"
            "INSERT INTO TipiSoggetti VALUES ('CL', 'Cliente'), ('FO', 'Fornitore');");
    for (int t = 0; t < 100; ++t)
        sql += QStringLiteral("CREATE TABLE Base%1 (ID integer PRIMARY KEY, Nome varchar(50));")
                   .arg(t, 3, 10, QLatin1Char('0'));
    for (int t = 0; !local && t < newTables; ++t) {
        QStringList columns{QStringLiteral("ID integer PRIMARY KEY")};
        for (int c = 1; c < kColumns; ++c)
            columns << QStringLiteral("Campo%1 varchar(50) NOT NULL DEFAULT ''")
                           .arg(c, 2, 10, QLatin1Char('0'));
        sql += QStringLiteral("CREATE TABLE Tabella%1 (%2);")
                   .arg(t, 5, 10, QLatin1Char('0'))
                   .arg(columns.join(QStringLiteral(", ")));
        if (t % 4 == 0)
            sql += QStringLiteral("CREATE VIEW Vista%1 AS SELECT ID, Campo01 FROM Tabella%1;")
                       .arg(t, 5, 10, QLatin1Char('0'));
    }
    return sql + QStringLiteral("COMMIT;");
}

// The statements the run executed, raw, in one transaction; milliseconds.
double runRaw(const QString& pristine, const QString& file, const QStringList& statements)
{
    QFile::remove(file);
    QFile::copy(pristine, file);
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QByteArray sql = "BEGIN;";
    for (const QString& statement : statements)
        sql += statement.toUtf8() + "\n;";
    sql += "COMMIT;";
    QElapsedTimer clock;
    clock.start();
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (rc != SQLITE_OK) std::fprintf(stderr, "raw DDL failed: %s\n", error);
    sqlite3_free(error);
    sqlite3_close(db);
    return ms;
}

// The run's lines as the run log gets them, without the catalogue queries a
// test keeps as traces: 30,000 per comparison at 10,000 tables, which the
// program itself never holds.
class TracelessLog : public test::RecordingLog
{
public:
    void trace(const QString&) override {}
};

void release(GlobalState& g)
{
    g.WorkRecordset.reset();
    g.SqlDmoServer.reset();
    g.SqlDmoDatabase.reset();
    g.LocalSqlDmoServer.reset();
    g.LocalSqlDmoDatabase.reset();
    g.LocalConnection.reset();
    g.ReferenceConnection.reset();
}

int countRed(const FlexGrid& grid)
{
    int red = 0;
    for (int r = 1; r < grid.Rows(); ++r)
        red += grid.cellColour(r, 2) == colour::Red;
    return red;
}

struct SizeResult
{
    Samples runMs, rawMs, ratio;
    int redBefore = 0;
    int statements = 0;
    int redAfter = 0;
    bool success = true;
    double longestGapMs = 0;
    QString longestGapWhere;
    double peakMb = 0;
};

SizeResult measure(int tables, int rounds)
{
    test::BasicWorld<BenchPlatform, TracelessLog> world;
    world.port.minPassIntervalMs = kYieldIntervalMs; // paced as the window paces them
    FormState& form = world.form;
    world.port.phase = [&form] {
        return QStringLiteral("\"%1\", grid row %2")
            .arg(form.lblinfo.caption())
            .arg(form.PB1.value());
    };
    world.reference(schemaScript(tables, false));
    world.local(schemaScript(tables, true));
    const QString local = world.file(test::kLocalDatabase + QStringLiteral(".db"));
    const QString pristine = world.file(QStringLiteral("Pristine.db"));
    const QString raw = world.file(QStringLiteral("Raw.db"));
    QFile::copy(local, pristine);

    SizeResult result;
    QElapsedTimer clock;
    QStringList statements; // those of the previous round: every round runs the same
    for (int round = 0; round < rounds; ++round) {
        release(world.g);
        QFile::remove(local);
        QFile::copy(pristine, local);
        world.connect();
        world.log.lines.clear();
        CommandAggiungiProvvigione_Click(world.ctx);
        result.redBefore = countRed(form.FlexDb);
        world.port.boxes.clear();

        // Which side goes first alternates, so that neither always meets a warmer machine.
        double rawMs = 0;
        const bool rawFirst = round % 2 == 1 && !statements.isEmpty();
        if (rawFirst) rawMs = runRaw(pristine, raw, statements);
        // The program's own peak, from what it holds before it starts: the
        // raw side's handle and statement text are no part of it.
        resetPeakMemory();
        world.port.start();
        clock.start();
        Cmd_Click(world.ctx);
        const double runMs = clock.nsecsElapsed() / 1e6;
        world.port.mark();
        result.peakMb = std::max(result.peakMb, peakMemoryKiB() / 1024.0);
        statements = world.log.executed();
        if (!rawFirst) rawMs = runRaw(pristine, raw, statements);

        if (world.port.longestGapMs > result.longestGapMs) {
            result.longestGapMs = world.port.longestGapMs;
            result.longestGapWhere = world.port.longestGapEnd;
        }
        result.runMs.add(runMs);
        result.rawMs.add(rawMs);
        result.ratio.add(runMs / rawMs);
        result.statements = int(statements.size());
        result.redAfter = countRed(form.FlexDb);
        result.success = result.success && world.port.boxes == kGoodBoxes;
        if (world.port.boxes != kGoodBoxes)
            std::printf("  boxes: %s\n", qPrintable(world.port.boxes.join(QStringLiteral(" / "))));
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    test::useClosedUpdateServer(); // the version checks give up at once
    const int rounds = roundsFrom(argc, argv);
    const std::vector<int> sizes = sizesFrom(argc, argv, {1000, 2000, 10000});

    Goals goals(QStringLiteral("updaterun"));
    double firstPerObject = 0, lastPerObject = 0;
    for (const int tables : sizes) {
        SizeResult r = measure(tables, rounds);
        std::printf("update run, reference %d tables x %d columns + %d views ahead, %d rounds:\n",
                    tables, kColumns, tables / 4, rounds);
        std::printf("  red rows before the run %d, after %d; %d statements executed\n", r.redBefore,
                    r.redAfter, r.statements);
        std::printf("  Cmd_Click %s ms, raw DDL in one transaction %s ms, ratio %s\n",
                    qPrintable(r.runMs.text(0)), qPrintable(r.rawMs.text(1)),
                    qPrintable(r.ratio.text(1)));
        const int objects = tables + (tables + 3) / 4;
        const double perObject = r.runMs.median() / objects;
        std::printf("  %.3f ms per object created; longest event-loop gap %.1f ms at %s; peak "
                    "memory %.1f MB\n",
                    perObject, r.longestGapMs, qPrintable(r.longestGapWhere), r.peakMb);
        // The engine's DDL itself grows faster than linearly (each CREATE reads
        // the whole catalogue): what the program adds to it, per object.
        std::printf("  beyond the raw DDL: %.3f ms per object\n",
                    (r.runMs.median() - r.rawMs.median()) / objects);
        if (tables == sizes.front()) firstPerObject = perObject;
        lastPerObject = perObject;
        const QString at = QStringLiteral(" at %1 tables").arg(tables);
        goals.holds(QStringLiteral("everything created, success box") + at,
                    r.success && r.redAfter == 0,
                    QStringLiteral("%1 red after, %2")
                        .arg(r.redAfter)
                        .arg(r.success ? QStringLiteral("box") : QStringLiteral("NO BOX")));
        goals.below(QStringLiteral("longest event-loop gap ms") + at, r.longestGapMs, kGapGoalMs);
        if (tables == kRatioGoalTables)
            goals.atMost(QStringLiteral("Cmd_Click / raw DDL") + at, r.ratio.median(), kRatioGoal,
                         r.ratio.text(1));
        if (tables == kMemoryGoalTables)
            goals.below(QStringLiteral("peak memory MB") + at, r.peakMb, kMemoryGoalMb);
    }
    if (sizes.size() > 1)
        goals.atMost(QStringLiteral("cost per object, %1 tables / %2 tables")
                         .arg(sizes.back())
                         .arg(sizes.front()),
                     lastPerObject / firstPerObject, kLinearGoal);
    return goals.exitCode();
}

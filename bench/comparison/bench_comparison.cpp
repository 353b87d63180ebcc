// Schema comparison on a large embedded schema: the whole run against a lean
// program that gets the same grid straight from the engine (sqlite_schema
// once per database, pragma_table_info once per table and database), the two
// alternating round by round in one process.
//   bench_comparison [--sizes 1000,2000,10000] [--columns 20] [--rounds 5]
// Views are a quarter of the tables. Goals: at 2,000 tables the run takes at
// most 1.5 times the lean program; at 10,000 tables the peak memory of the
// size stays under 200 MB.
#include "common/benchplatform.h"
#include "common/benchstats.h"
#include "common/peakmemory.h"
#include "leancomparison.h"
#include "schema/comparison.h"
#include "support/world.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace corvane;

namespace {

constexpr int kRatioGoalTables = 2000;
constexpr double kRatioGoal = 1.5;
constexpr int kMemoryGoalTables = 10000;
constexpr double kMemoryGoalMb = 200;

struct Shape
{
    int tables = 0;
    int columns = 20;
    int views() const { return tables / 4; }
};

// The local copy lacks every tenth table, every tenth view, and a tenth of
// the columns of every tenth table it keeps.
QString schemaScript(const Shape& shape, bool local)
{
    QString sql = QStringLiteral("BEGIN;");
    for (int t = 0; t < shape.tables; ++t) {
        if (local && t % 10 == 9) continue;
        QStringList columns;
        for (int c = 0; c < shape.columns; ++c) {
            if (local && t % 10 == 4 && c % 10 == 7) continue;
            columns << QStringLiteral("Campo%1 varchar(50)").arg(c, 2, 10, QLatin1Char('0'));
        }
        sql += QStringLiteral("CREATE TABLE Tabella%1 (%2);")
                   .arg(t, 5, 10, QLatin1Char('0'))
                   .arg(columns.join(QStringLiteral(", ")));
    }
    for (int v = 0; v < shape.views(); ++v) {
        if (local && v % 10 == 9) continue;
        sql += QStringLiteral("CREATE VIEW Vista%1 AS SELECT 1 AS Uno;")
                   .arg(v, 5, 10, QLatin1Char('0'));
    }
    return sql + QStringLiteral("COMMIT;");
}

QList<bench::GridRow> gridOf(const FlexGrid& grid)
{
    QList<bench::GridRow> rows;
    for (int r = 1; r < grid.Rows(); ++r)
        rows.push_back({grid.TextMatrix(r, 0), grid.TextMatrix(r, 1), grid.TextMatrix(r, 2),
                        grid.cellColour(r, 2)});
    return rows;
}

struct SizeResult
{
    Samples programMs, leanMs, ratio;
    double longestGapMs = 0;
    QString longestGapWhere;
    double peakMb = 0;
    bool sameAnswers = true;
    int gridRows = 0;
};

SizeResult measure(const Shape& shape, int rounds)
{
    test::BasicWorld<BenchPlatform, EventLog> world;
    world.reference(schemaScript(shape, false));
    world.local(schemaScript(shape, true));
    world.connect();
    FormState& form = world.form;
    BenchPlatform& port = world.port;
    // Yields are paced as the window paces them.
    port.minPassIntervalMs = kYieldIntervalMs;
    port.phase = [&form] {
        return QStringLiteral("grid row %1, \"%2\"")
            .arg(form.FlexDb.Rows() - 1)
            .arg(form.lblinfo.visible() ? form.lblinfo.caption() : QStringLiteral("run over"));
    };
    QTableView view;
    view.setModel(&form.FlexDb);
    view.resize(800, 400);
    view.show();

    bench::LeanComparison lean(world.file(test::kReferenceDatabase + QStringLiteral(".db")),
                               world.file(test::kLocalDatabase + QStringLiteral(".db")));
    // Both warmed once: the engine has read each schema on both sides.
    CommandAggiungiProvvigione_Click(world.ctx);
    lean.run();

    SizeResult result;
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        // Which side goes first alternates, so that neither always meets a warmer machine.
        double programMs = 0, leanMs = 0;
        for (int side = 0; side < 2; ++side) {
            if ((side + round) % 2 == 0) {
                // The program's own peak: from what it holds before it starts.
                lean.clear();
                resetPeakMemory();
                port.start();
                clock.start();
                CommandAggiungiProvvigione_Click(world.ctx);
                programMs = clock.nsecsElapsed() / 1e6;
                port.mark();
                result.peakMb = std::max(result.peakMb, peakMemoryKiB() / 1024.0);
                if (port.longestGapMs > result.longestGapMs) {
                    result.longestGapMs = port.longestGapMs;
                    result.longestGapWhere = port.longestGapEnd;
                }
            } else {
                clock.start();
                lean.run();
                leanMs = clock.nsecsElapsed() / 1e6;
            }
        }
        result.programMs.add(programMs);
        result.leanMs.add(leanMs);
        result.ratio.add(programMs / leanMs);
        if (lean.rows().isEmpty()) lean.run(); // the program went second: answers again
        result.sameAnswers = result.sameAnswers && gridOf(form.FlexDb) == lean.rows();
    }
    result.gridRows = form.FlexDb.Rows() - 1;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::useClosedUpdateServer();
    QApplication app(argc, argv);
    const int rounds = roundsFrom(argc, argv);
    const std::vector<int> sizes = sizesFrom(argc, argv, {1000, 2000, 10000});
    Shape shape;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--columns") == 0) shape.columns = std::atoi(argv[i + 1]);

    Goals goals(QStringLiteral("comparison"));
    for (const int tables : sizes) {
        shape.tables = tables;
        const SizeResult r = measure(shape, rounds);
        std::printf("comparison %d tables x %d columns + %d views (%d grid rows), %d rounds:\n",
                    tables, shape.columns, shape.views(), r.gridRows, rounds);
        std::printf("  program %s ms, lean %s ms, ratio %s (median, min..max)\n",
                    qPrintable(r.programMs.text(1)), qPrintable(r.leanMs.text(1)),
                    qPrintable(r.ratio.text()));
        std::printf("  longest event-loop gap %.1f ms, ending at %s; peak memory %.1f MB\n",
                    r.longestGapMs, qPrintable(r.longestGapWhere), r.peakMb);
        const QString at = QStringLiteral(" at %1 tables").arg(tables);
        goals.holds(QStringLiteral("same grid as the lean program") + at, r.sameAnswers,
                    r.sameAnswers ? QStringLiteral("same") : QStringLiteral("DIFFERENT"));
        if (tables == kRatioGoalTables)
            goals.atMost(QStringLiteral("run / lean program") + at, r.ratio.median(), kRatioGoal,
                         r.ratio.text());
        if (tables == kMemoryGoalTables)
            goals.below(QStringLiteral("peak memory MB") + at, r.peakMb, kMemoryGoalMb);
    }
    return goals.exitCode();
}

// Schema comparison on a large embedded schema: the whole run against the
// catalogue queries it issues, run alone through the same database layer.
//   bench_comparison [tables] [columns] [views]   (default 1000 40 200)
#include "common/benchplatform.h"
#include "common/peakmemory.h"
#include "schema/comparison.h"
#include "support/world.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>

using namespace corvane;

namespace {

struct Shape
{
    int tables = 1000;
    int columns = 40;
    int views = 200;
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
                   .arg(t, 4, 10, QLatin1Char('0'))
                   .arg(columns.join(QStringLiteral(", ")));
    }
    for (int v = 0; v < shape.views; ++v) {
        if (local && v % 10 == 9) continue;
        sql += QStringLiteral("CREATE VIEW Vista%1 AS SELECT 1 AS Uno;")
                   .arg(v, 4, 10, QLatin1Char('0'));
    }
    return sql + QStringLiteral("COMMIT;");
}

// The best time over the rounds (the machine may be shared) and the longest
// gap of the best and of the worst round.
struct RunFigures
{
    double bestMs = 1e12;
    double bestRoundGapMs = 1e12;
    double worstRoundGapMs = 0;
    QString worstGapBefore;
    long yields = 0;
    long passes = 0;

    void measure(Context& ctx, BenchPlatform& port)
    {
        QElapsedTimer clock;
        port.start();
        clock.start();
        CommandAggiungiProvvigione_Click(ctx);
        bestMs = std::min(bestMs, clock.nsecsElapsed() / 1e6);
        port.mark();
        bestRoundGapMs = std::min(bestRoundGapMs, port.longestGapMs);
        if (port.longestGapMs > worstRoundGapMs) {
            worstRoundGapMs = port.longestGapMs;
            worstGapBefore = port.longestGapEnd;
        }
        yields = port.yields;
        passes = port.passes;
    }
};

// Every catalogue query of a run, each result read to its end, nothing else.
long catalogueQueriesAlone(db::Connection& reference, db::Connection& local)
{
    const QString tableName = QStringLiteral("TABLE_NAME");
    const QString columnName = QStringLiteral("COLUMN_NAME");
    long values = 0;
    auto readAll = [&](const QString& sql, db::Connection& c, int cursor, const QString& field) {
        db::Recordset rs;
        rs.Open(sql, c, cursor, db::adLockReadOnly);
        QStringList names;
        for (; !rs.Eof(); rs.MoveNext())
            names << rs.field(field).toString();
        rs.Close();
        values += names.size();
        return names;
    };
    const QStringList tables = readAll(
        QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE = "
                       "'BASE TABLE' ORDER BY  TABLE_NAME"),
        reference, db::adOpenStatic, tableName);
    for (const QString& t : tables) {
        readAll(QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE TABLE_TYPE "
                               "= 'BASE TABLE' and TABLE_NAME='%1' ")
                    .arg(t),
                local, db::adOpenStatic, tableName);
        const QString columns =
            QStringLiteral(
                "SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE TABLE_NAME  = '%1'")
                .arg(t);
        readAll(columns, reference, db::adOpenForwardOnly, columnName);
        readAll(columns, local, db::adOpenStatic, columnName);
    }
    QStringList views{QStringLiteral("VProdotto"), QStringLiteral("VProdotti")};
    views << readAll(QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE "
                                    "TABLE_NAME <> 'VProdotto' and TABLE_NAME <> 'vProdotti' "
                                    "ORDER BY TABLE_NAME"),
                     reference, db::adOpenStatic, tableName);
    for (const QString& v : views)
        readAll(QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.VIEWS WHERE "
                               "TABLE_NAME='%1' ")
                    .arg(v),
                local, db::adOpenStatic, tableName);
    return values;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::useClosedUpdateServer();
    QApplication app(argc, argv);
    Shape shape;
    const QStringList args = app.arguments();
    if (args.size() > 3) shape = {args[1].toInt(), args[2].toInt(), args[3].toInt()};

    test::BasicWorld<BenchPlatform, EventLog> world;
    world.reference(schemaScript(shape, false));
    world.local(schemaScript(shape, true));
    world.connect();
    GlobalState& g = world.g;
    FormState& form = world.form;
    BenchPlatform& port = world.port;
    Context& ctx = world.ctx;
    // Where the longest stretch without an event-loop pass ended.
    port.phase = [&form] {
        return QStringLiteral("grid row %1, \"%2\"")
            .arg(form.FlexDb.Rows() - 1)
            .arg(form.lblinfo.visible() ? form.lblinfo.caption() : QStringLiteral("run over"));
    };
    QTableView view;
    view.setModel(&form.FlexDb);
    view.resize(800, 400);
    view.show();

    // Warm both paths once, then alternate.
    catalogueQueriesAlone(*g.ReferenceConnection, *g.LocalConnection);
    constexpr qint64 kThrottleMs = kYieldIntervalMs;
    double aloneMs = 1e12;
    long values = 0;
    RunFigures everyYield, throttled;
    QElapsedTimer clock;
    for (int round = 0; round < 5; ++round) {
        clock.start();
        values = catalogueQueriesAlone(*g.ReferenceConnection, *g.LocalConnection);
        aloneMs = std::min(aloneMs, clock.nsecsElapsed() / 1e6);
        port.minPassIntervalMs = 0;
        everyYield.measure(ctx, port);
        port.minPassIntervalMs = kThrottleMs;
        throttled.measure(ctx, port);
    }

    int red = 0;
    for (int r = 1; r < form.FlexDb.Rows(); ++r)
        red += form.FlexDb.cellColour(r, 2) == colour::Red;
    std::printf("comparison: %d tables x %d columns, %d views; grid rows %d (red %d), values read "
                "alone %ld\n",
                shape.tables, shape.columns, shape.views, form.FlexDb.Rows() - 1, red, values);
    std::printf("comparison: verdict \"%s\"\n", qPrintable(form.lblEsito.caption()));
    std::printf("comparison: run %.1f ms, catalogue queries alone %.1f ms, ratio %.2f (goal <= "
                "1.5); longest gap between event-loop passes %.1f ms (best round), %.1f ms (worst "
                "round) (goal < 100)\n",
                throttled.bestMs, aloneMs, throttled.bestMs / aloneMs, throttled.bestRoundGapMs,
                throttled.worstRoundGapMs);
    std::printf("comparison: peak memory (VmHWM) %.1f MB (goal < 200)\n", peakMemoryKiB() / 1024.0);
    std::printf("comparison: for reference, an event-loop pass at every one of the %ld yields: "
                "run %.1f ms, ratio %.2f; longest gap %.1f / %.1f ms\n",
                everyYield.yields, everyYield.bestMs, everyYield.bestMs / aloneMs,
                everyYield.bestRoundGapMs, everyYield.worstRoundGapMs);
    return 0;
}

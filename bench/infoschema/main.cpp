// How much the INFORMATION_SCHEMA layer costs: the program's lookups by name
// against the engine's own catalogue queries, on the same connection and the
// same database of 1,000 tables x 40 columns, in one run.
#include "base/error.h"
#include "db/connection.h"
#include "db/recordset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace corvane;

namespace {

constexpr int kTables = 1000;
constexpr int kColumns = 40;
constexpr int kRounds = 3;

QString tableName(int i)
{
    return QStringLiteral("Tabella%1").arg(i, 4, 10, QLatin1Char('0'));
}

void createReference(const QString& folder)
{
    // The engine refuses to open a missing file: start from an empty one.
    QFile file(folder + QStringLiteral("/Riferimento.db"));
    file.open(QIODevice::WriteOnly);
    file.close();
    db::Connection connection;
    connection.Open(QStringLiteral("Data Source=sqlite:%1;DATABASE=Riferimento").arg(folder));
    connection.Execute(QStringLiteral("BEGIN"));
    for (int t = 0; t < kTables; ++t) {
        QStringList columns;
        for (int c = 0; c < kColumns; ++c)
            columns << QStringLiteral("Campo%1 varchar(%2) NULL").arg(c).arg(10 + c);
        connection.Execute(
            QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName(t), columns.join(u", ")));
    }
    connection.Execute(QStringLiteral("COMMIT"));
}

// Opens each query through a static read-only recordset, reads every row, and
// returns the rows seen (so both sides can be checked to answer the same).
long runQueries(db::Connection& connection, const std::function<QString(int)>& sqlFor)
{
    long rows = 0;
    for (int t = 0; t < kTables; ++t) {
        db::Recordset rs;
        rs.Open(sqlFor(t), connection, db::adOpenStatic, db::adLockReadOnly);
        for (; !rs.Eof(); rs.MoveNext()) {
            rs.field(rs.fieldNames().constFirst());
            ++rows;
        }
        rs.Close();
    }
    return rows;
}

struct Timing
{
    double bestMs = 1e300;
    long rows = 0;
};

void measure(Timing& timing, db::Connection& connection, const std::function<QString(int)>& sqlFor)
{
    QElapsedTimer clock;
    clock.start();
    timing.rows = runQueries(connection, sqlFor);
    timing.bestMs = std::min(timing.bestMs, double(clock.nsecsElapsed()) / 1e6);
}

void report(const char* what, const Timing& ours, const Timing& engine)
{
    std::printf("%-8s %d queries: ours %8.1f ms (%ld rows), engine catalogue %8.1f ms (%ld rows), "
                "ratio %.2f\n",
                what, kTables, ours.bestMs, ours.rows, engine.bestMs, engine.rows,
                ours.bestMs / engine.bestMs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    try {
        createReference(dir.path());
        db::Connection connection;
        connection.Open(
            QStringLiteral(
                "Provider=SQLOLEDB;Data Source=sqlite:%1,1433;UID=sa;PWD=;DATABASE=Riferimento")
                .arg(dir.path()));

        const auto tablesOurs = [](int t) {
            return QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE "
                                  "TABLE_TYPE = 'BASE TABLE' and TABLE_NAME='%1' ")
                .arg(tableName(t));
        };
        const auto tablesEngine = [](int t) {
            return QStringLiteral("SELECT name AS TABLE_NAME FROM sqlite_schema WHERE type = "
                                  "'table' AND name = '%1' COLLATE NOCASE")
                .arg(tableName(t));
        };
        const auto columnsOurs = [](int t) {
            return QStringLiteral("SELECT COLUMN_NAME From INFORMATION_SCHEMA.Columns WHERE "
                                  "TABLE_NAME  = '%1'")
                .arg(tableName(t));
        };
        const auto columnsEngine = [](int t) {
            return QStringLiteral("SELECT name AS COLUMN_NAME FROM pragma_table_info('%1')")
                .arg(tableName(t));
        };

        // The first query after opening reads the catalogue: shown on its own.
        QElapsedTimer first;
        first.start();
        runQueries(connection, [&](int) { return tablesOurs(0); });
        std::printf("first pass (catalogue read once, then %d lookups): %.1f ms\n", kTables,
                    double(first.nsecsElapsed()) / 1e6);

        Timing tables[2], columns[2];
        for (int round = 0; round < kRounds; ++round) {
            measure(tables[0], connection, tablesOurs);
            measure(tables[1], connection, tablesEngine);
            measure(columns[0], connection, columnsOurs);
            measure(columns[1], connection, columnsEngine);
        }
        std::printf("best of %d rounds, %d tables x %d columns, through db::Recordset:\n", kRounds,
                    kTables, kColumns);
        report("TABLES", tables[0], tables[1]);
        report("COLUMNS", columns[0], columns[1]);
        const bool same = tables[0].rows == tables[1].rows && columns[0].rows == columns[1].rows;
        std::printf("answers agree: %s\n", same ? "yes" : "NO");
        return same ? 0 : 1;
    } catch (const Error& e) {
        std::fprintf(stderr, "bench_infoschema: %s\n", e.what());
        return 2;
    }
}

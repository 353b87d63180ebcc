// What the INFORMATION_SCHEMA layer costs against the engine's own catalogue,
// straight through the engine's C API so that only the layer differs:
//  - COLUMNS: a fresh handle carrying the layer, the whole COLUMNS table read,
//    against a fresh handle without it joining sqlite_schema with
//    pragma_table_info (open and close included on both sides);
//  - TABLES: the program's lookup of each table by name (a new text each,
//    as the program sends it) against the engine's own lookup by name
//    (pragma_table_info, one prepared statement), on warm handles.
//   bench_infoschema [--sizes 1000,10000] [--rounds 5]
// Goal: the COLUMNS scan takes at most 1.5 times the raw join.
#include "common/benchstats.h"
#include "db/informationschema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

using namespace corvane;

namespace {

constexpr int kColumns = 20;
constexpr double kColumnsGoal = 1.5;

QString tableName(int i)
{
    return QStringLiteral("Tabella%1").arg(i, 5, 10, QLatin1Char('0'));
}

sqlite3* open(const QByteArray& path, bool withLayer)
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = withLayer ? sqlite3_open_v2(path.constData(), &db, flags, nullptr)
                             : db::openWithoutInformationSchema(path, flags, &db);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "bench_infoschema: cannot open %s\n", path.constData());
        std::exit(2);
    }
    return db;
}

void createDatabase(const QByteArray& path, int tables)
{
    sqlite3* db = open(path, false);
    QByteArray sql = "BEGIN;";
    for (int t = 0; t < tables; ++t) {
        QStringList columns;
        for (int c = 0; c < kColumns; ++c)
            columns << QStringLiteral("Campo%1 varchar(%2) NULL").arg(c).arg(10 + c);
        sql += QStringLiteral("CREATE TABLE %1 (%2);")
                   .arg(tableName(t), columns.join(QStringLiteral(", ")))
                   .toUtf8();
    }
    sqlite3_exec(db, sql + "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Steps a statement to its end; the rows and a checksum of their texts.
struct Answer
{
    long rows = 0;
    quint64 sum = 0;
    bool operator==(const Answer&) const = default;
};

void readAll(sqlite3_stmt* stmt, Answer& answer)
{
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++answer.rows;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            answer.sum += quint64(
                qHash(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                 sqlite3_column_bytes(stmt, c))));
    }
}

Answer query(sqlite3* db, const char* sql)
{
    Answer answer;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    readAll(stmt, answer);
    sqlite3_finalize(stmt);
    return answer;
}

Answer columnsScan(const QByteArray& path, bool ours)
{
    sqlite3* db = open(path, ours);
    const Answer answer =
        ours ? query(db, "SELECT TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, IS_NULLABLE, "
                         "COLUMN_DEFAULT FROM INFORMATION_SCHEMA.COLUMNS")
             : query(db, "SELECT m.name, p.name, p.cid + 1, "
                         "CASE WHEN p.\"notnull\" OR p.pk THEN 'NO' ELSE 'YES' END, "
                         "p.dflt_value FROM sqlite_schema m JOIN pragma_table_info(m.name) p "
                         "WHERE m.type = 'table'");
    sqlite3_close(db);
    return answer;
}

long tableLookups(sqlite3* db, int tables, bool ours)
{
    long found = 0;
    if (ours) {
        for (int t = 0; t < tables; ++t) {
            const QByteArray sql =
                QStringLiteral("SELECT TABLE_NAME From INFORMATION_SCHEMA.TABLES WHERE "
                               "TABLE_TYPE = 'BASE TABLE' and TABLE_NAME='%1' ")
                    .arg(tableName(t))
                    .toUtf8();
            found += query(db, sql.constData()).rows;
        }
        return found;
    }
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info(?1) LIMIT 1", -1, &stmt, nullptr);
    for (int t = 0; t < tables; ++t) {
        const QByteArray name = tableName(t).toUtf8();
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        found += sqlite3_step(stmt) == SQLITE_ROW;
    }
    sqlite3_finalize(stmt);
    return found;
}

template <typename Work> double timed(Work&& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    db::installInformationSchema();
    const int rounds = roundsFrom(argc, argv);
    Goals goals(QStringLiteral("infoschema"));
    for (const int tables : sizesFrom(argc, argv, {1000, 10000})) {
        QTemporaryDir dir;
        const QByteArray path = (dir.path() + QStringLiteral("/Riferimento.db")).toUtf8();
        createDatabase(path, tables);

        Samples columnsOurs, columnsRaw, columnsRatio, tablesRatio;
        bool same = true;
        sqlite3* ours = open(path, true);
        sqlite3* raw = open(path, false);
        for (int round = 0; round < rounds; ++round) {
            Answer a, b;
            double oursMs = 0, rawMs = 0;
            // Which side goes first alternates.
            for (int side = 0; side < 2; ++side) {
                if ((side + round) % 2 == 0)
                    oursMs = timed([&] { a = columnsScan(path, true); });
                else
                    rawMs = timed([&] { b = columnsScan(path, false); });
            }
            same = same && a == b && a.rows == long(tables) * kColumns;
            columnsOurs.add(oursMs);
            columnsRaw.add(rawMs);
            columnsRatio.add(oursMs / rawMs);
            long foundOurs = 0, foundRaw = 0;
            const double lookupOurs = timed([&] { foundOurs = tableLookups(ours, tables, true); });
            const double lookupRaw = timed([&] { foundRaw = tableLookups(raw, tables, false); });
            same = same && foundOurs == tables && foundRaw == tables;
            tablesRatio.add(lookupOurs / lookupRaw);
        }
        sqlite3_close(ours);
        sqlite3_close(raw);
        std::printf("infoschema %d tables x %d columns, %d rounds:\n", tables, kColumns, rounds);
        std::printf("  COLUMNS scan on a fresh handle %s ms, raw pragma_table_info join %s ms, "
                    "ratio %s\n",
                    qPrintable(columnsOurs.text(1)), qPrintable(columnsRaw.text(1)),
                    qPrintable(columnsRatio.text()));
        std::printf("  TABLES lookup by name, %d program texts against one prepared engine "
                    "lookup: ratio %s\n",
                    tables, qPrintable(tablesRatio.text()));
        const QString at = QStringLiteral(" at %1 tables").arg(tables);
        goals.holds(QStringLiteral("same answers") + at, same,
                    same ? QStringLiteral("same") : QStringLiteral("DIFFERENT"));
        goals.atMost(QStringLiteral("COLUMNS scan / raw join") + at, columnsRatio.median(),
                     kColumnsGoal, columnsRatio.text());
    }
    return goals.exitCode();
}

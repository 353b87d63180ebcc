// Random hostile reference schemas against a local copy with data, through
// the real comparison and update run on the embedded engine. Two properties:
//  1. nothing local is lost: every table, column, index, view and row (with
//     its values) there before is there after;
//  2. a case without what is refused by design converges in one run: all
//     green, the version written, the new tables with every index.
// A seeded property test rather than libFuzzer: it needs the whole program
// (Qt, the database layer, the platform double), and a failing seed is a
// reproducible case. Briefly in every test run; longer on demand:
//   CORVANE_FUZZ_ITERATIONS=n or CORVANE_FUZZ_SECONDS=s [CORVANE_FUZZ_SEED=first]

#include "schema/updaterun.h"
#include "schemafuzz.h"
#include "schemaworld.h"
#include "support/dbsnapshot.h"
#include "support/testdb.h"
#include "support/testfiles.h"

#include <QDeadlineTimer>
#include <QtTest>

using namespace corvane;
using test::SchemaWorld;

namespace {

const QString kAllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");

// Property 2; "" when it holds.
QString notConverged(SchemaWorld& w, const test::FuzzCase& c)
{
    if (!w.redRows().isEmpty())
        return QStringLiteral("red after the run: ") + w.redRows().join(u';');
    if (w.form.lblEsito.caption() != kAllUpToDate)
        return QStringLiteral("verdict ") + w.form.lblEsito.caption();
    const QString reference = test::queryRows(w.path(), test::kReferenceDatabase,
                                              "SELECT Valore FROM Parametri WHERE IDparametro = 1")
                                  .value(0);
    const QString local =
        w.localRows("SELECT Valore FROM Parametri WHERE IDparametro = 1").value(0);
    if (local != reference.toUpper())
        return QStringLiteral("version %1, not %2").arg(local, reference);
    for (const QString& table : c.newTables) {
        const QStringList want = test::indexShapes(w.path(), test::kReferenceDatabase, table);
        const QStringList have = test::indexShapes(w.path(), test::kLocalDatabase, table);
        if (have != want)
            return QStringLiteral("indexes of %1: %2, not %3")
                .arg(table, have.join(u';'), want.join(u';'));
    }
    w.expectVersionCheckBox();
    w.compare();
    if (!w.redRows().isEmpty())
        return QStringLiteral("red at the next comparison: ") + w.redRows().join(u';');
    return {};
}

} // namespace

class TestSchemaFuzz : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::useClosedUpdateServer(); }

    void hostileSchemas()
    {
        const QString lookup = test::readTestSource(QStringLiteral("support/lookup_tables.sql"));
        const quint64 first = qEnvironmentVariableIntValue("CORVANE_FUZZ_SEED");
        const int seconds = qEnvironmentVariableIntValue("CORVANE_FUZZ_SECONDS");
        int iterations = qEnvironmentVariableIntValue("CORVANE_FUZZ_ITERATIONS");
        if (iterations <= 0 && seconds <= 0) iterations = 25;
        const QDeadlineTimer deadline(seconds > 0 ? seconds * 1000 : -1);

        int executions = 0, convergent = 0, rowsLost = 0;
        for (quint64 seed = first;
             iterations > 0 ? executions < iterations : !deadline.hasExpired(); ++seed) {
            const test::FuzzCase c = test::generateFuzzCase(seed);
            // One transaction each: one disk sync instead of one per statement.
            SchemaWorld w("BEGIN;" + lookup + c.referenceSql + "COMMIT;",
                          "BEGIN;" + lookup + c.localSql + "COMMIT;");
            const test::DbSnapshot before = test::takeSnapshot(w.path(), test::kLocalDatabase);
            w.compare();
            Cmd_Click(w.ctx);
            ++executions;
            const QString loss = test::lostSince(before, w.path(), test::kLocalDatabase);
            if (!loss.isEmpty()) ++rowsLost;
            QVERIFY2(loss.isEmpty(),
                     qPrintable(QStringLiteral("seed %1 lost %2\n-- reference\n%3\n-- local\n%4")
                                    .arg(seed)
                                    .arg(loss, c.referenceSql, c.localSql)));
            if (!c.convergent) continue;
            ++convergent;
            const QString stuck = notConverged(w, c);
            QVERIFY2(stuck.isEmpty(),
                     qPrintable(QStringLiteral("seed %1: %2\n-- reference\n%3\n-- local\n%4")
                                    .arg(seed)
                                    .arg(stuck, c.referenceSql, c.localSql)));
        }
        qInfo("fuzz executions %d (first seed %llu), convergent cases %d, cases with a loss %d",
              executions, first, convergent, rowsLost);
    }
};

QTEST_GUILESS_MAIN(TestSchemaFuzz)
#include "test_schemafuzz.moc"

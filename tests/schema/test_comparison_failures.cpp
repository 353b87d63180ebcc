#include "schema/comparison.h"
#include "schemaworld.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kWorking = QStringLiteral("...");
const QString kTablesPhase = QStringLiteral("Controllo Se le Tabelle sono Aggiornate!");

QString schemaOf(int tables)
{
    QString sql;
    for (int t = 1; t <= tables; ++t)
        sql += QStringLiteral("CREATE TABLE T%1 (ID int, Nome varchar(20));").arg(t);
    return sql + QStringLiteral("CREATE VIEW VProdotto AS SELECT 1 AS Uno;"
                                "CREATE VIEW VElenco AS SELECT 1 AS Uno;");
}

// The grid and verdict of a run on the same schema without any failure.
struct CleanRun
{
    QStringList rows;
    QString verdict;
};
CleanRun cleanRun(const QString& referenceSql, const QString& localSql)
{
    SchemaWorld bench(referenceSql, localSql);
    bench.port.expectBox(kFtpUnreachable);
    CommandAggiungiProvvigione_Click(bench.ctx);
    return {bench.gridRows(), bench.form.lblEsito.caption()};
}

void closeIfOpen(std::unique_ptr<db::Connection>& connection)
{
    if (connection && connection->State() == db::adStateOpen) connection->Close();
}

// Counts the reopenings of the reference connection: FrameInfo is shown only then.
struct ReopenCounter
{
    int reopenings = 0;
    void onYield(const FormState& form)
    {
        if (form.FrameInfo.visible()) ++reopenings;
    }
};

void verifyAbandoned(const SchemaWorld& bench)
{
    QCOMPARE(bench.port.boxes.size(), 1);
    const RecordedBox& box = bench.port.boxes.front();
    static const QRegularExpression shape(QStringLiteral("^ERRORE !!\r\n\r\n-?\\d+ -- \\S.*$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(shape.match(box.text).hasMatch(), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("ATTENZIONE"));
    QCOMPARE(box.style, int(style::Critical));
    QVERIFY(bench.form.enabled());
    QVERIFY(!bench.form.FlexDb.visible());
    QVERIFY(bench.form.lblinfo.visible());
    QVERIFY(!bench.form.FrameInfo.visible());
    QCOMPARE(bench.form.lblEsito.caption(), kWorking);
    QCOMPARE(bench.form.lblDBDashmoor.caption(), QStringLiteral("9.9.9")); // no version check
}

void verifyCompleted(const SchemaWorld& bench, const CleanRun& clean)
{
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
    // The failed actions were repeated, and only they: no row twice, none lost.
    QCOMPARE(bench.gridRows(), clean.rows);
    QCOMPARE(bench.form.lblEsito.caption(), clean.verdict);
    QVERIFY(bench.form.enabled());
    QVERIFY(bench.form.FlexDb.visible());
    QVERIFY(!bench.form.FrameInfo.visible());
    QCOMPARE(bench.g.ReferenceConnection->State(), db::adStateOpen);
}

} // namespace

class TestComparisonFailures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useClosedUpdateServer(); }
    void sameActionFailsRepeatedly_data();
    void sameActionFailsRepeatedly();
    void budgetIsSharedByTheRun_data();
    void budgetIsSharedByTheRun();
    void referenceUnusableBeforeRun_data();
    void referenceUnusableBeforeRun();
    void referenceFileGoneEndsRun();
    void localConnectionLostEndsRun_data();
    void localConnectionLostEndsRun();
};

void TestComparisonFailures::sameActionFailsRepeatedly_data()
{
    QTest::addColumn<int>("closings");
    QTest::newRow("once") << 1;
    QTest::newRow("four times") << 4;
    QTest::newRow("five times") << 5;
}

// The reference connection is closed after the first table, and each
// reopened one again right after it opens: the same query fails each time.
void TestComparisonFailures::sameActionFailsRepeatedly()
{
    QFETCH(int, closings);
    const QString reference = schemaOf(3);
    const QString local = schemaOf(2);
    const CleanRun clean = cleanRun(reference, local);

    SchemaWorld bench(reference, local);
    const db::Connection* original = bench.g.ReferenceConnection.get();
    ReopenCounter counter;
    int left = closings;
    bench.port.onYield = [&] {
        counter.onYield(bench.form);
        if (left == 0 || bench.form.PB1.value() < 1 || bench.form.FrameInfo.visible()) return;
        if (bench.g.ReferenceConnection->State() != db::adStateOpen) return;
        bench.g.ReferenceConnection->Close();
        --left;
    };
    if (closings < 5) bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(left, 0);
    QCOMPARE(counter.reopenings, std::min(closings, 4));
    if (closings < 5) {
        verifyCompleted(bench, clean);
        QVERIFY(bench.g.ReferenceConnection.get() != original);
    } else {
        verifyAbandoned(bench);
    }
}

void TestComparisonFailures::budgetIsSharedByTheRun_data()
{
    QTest::addColumn<int>("tables");
    QTest::addColumn<bool>("completes");
    QTest::newRow("four failures in four places") << 4 << true;
    QTest::newRow("five failures in five places") << 5 << false;
}

// One failure after each table: each is mended by one reopening, but the
// budget counts them all.
void TestComparisonFailures::budgetIsSharedByTheRun()
{
    QFETCH(int, tables);
    QFETCH(bool, completes);
    const QString schema = schemaOf(tables);
    const CleanRun clean = cleanRun(schema, schema);

    SchemaWorld bench(schema, schema);
    ReopenCounter counter;
    int lastValue = 0;
    bench.port.onYield = [&] {
        counter.onYield(bench.form);
        const int value = bench.form.PB1.value();
        const bool tableDone = bench.form.lblinfo.caption() == kTablesPhase && value != lastValue;
        lastValue = value;
        if (tableDone) closeIfOpen(bench.g.ReferenceConnection);
    };
    if (completes) bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(counter.reopenings, 4);
    if (completes)
        verifyCompleted(bench, clean);
    else
        verifyAbandoned(bench);
}

void TestComparisonFailures::referenceUnusableBeforeRun_data()
{
    QTest::addColumn<bool>("dropObject");
    QTest::newRow("closed") << false;
    QTest::newRow("no connection object") << true;
}

void TestComparisonFailures::referenceUnusableBeforeRun()
{
    QFETCH(bool, dropObject);
    const QString reference = schemaOf(2);
    const QString local = schemaOf(1);
    const CleanRun clean = cleanRun(reference, local);

    SchemaWorld bench(reference, local);
    if (dropObject)
        bench.g.ReferenceConnection.reset();
    else
        bench.g.ReferenceConnection->Close();
    ReopenCounter counter;
    bench.port.onYield = [&] { counter.onYield(bench.form); };
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(counter.reopenings, 1);
    verifyCompleted(bench, clean);
}

// The reference database disappears mid-run: the reopening fails in its
// turn, and that ends the run at once.
void TestComparisonFailures::referenceFileGoneEndsRun()
{
    const QString schema = schemaOf(3);
    SchemaWorld bench(schema, schema);
    const db::Connection* original = bench.g.ReferenceConnection.get();
    ReopenCounter counter;
    bool gone = false;
    bench.port.onYield = [&] {
        counter.onYield(bench.form);
        if (gone || bench.form.PB1.value() < 1) return;
        bench.g.ReferenceConnection->Close();
        gone =
            QFile::rename(bench.referencePath(), bench.referencePath() + QStringLiteral(".gone"));
    };

    CommandAggiungiProvvigione_Click(bench.ctx);

    QVERIFY(gone);
    QCOMPARE(counter.reopenings, 1);
    verifyAbandoned(bench);
    // The program keeps the connection object it had.
    QCOMPARE(bench.g.ReferenceConnection.get(), original);
}

// A failure on the local connection is still met by reopening the reference
// one, which cannot mend it: the fifth failure ends the run.
void TestComparisonFailures::localConnectionLostEndsRun_data()
{
    QTest::addColumn<bool>("dropObject");
    QTest::newRow("closed") << false;
    QTest::newRow("no connection object") << true;
}

void TestComparisonFailures::localConnectionLostEndsRun()
{
    QFETCH(bool, dropObject);
    const QString schema = schemaOf(3);
    SchemaWorld bench(schema, schema);
    const db::Connection* original = bench.g.ReferenceConnection.get();
    ReopenCounter counter;
    bench.port.onYield = [&] {
        counter.onYield(bench.form);
        if (bench.form.PB1.value() < 1) return;
        if (dropObject)
            bench.g.LocalConnection.reset();
        else
            closeIfOpen(bench.g.LocalConnection);
    };

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(counter.reopenings, 4);
    verifyAbandoned(bench);
    QVERIFY(bench.g.ReferenceConnection.get() != original);
    QCOMPARE(bench.g.ReferenceConnection->State(), db::adStateOpen);
}

QTEST_GUILESS_MAIN(TestComparisonFailures)
#include "test_comparison_failures.moc"

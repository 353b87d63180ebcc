#include "schema/comparison.h"
#include "schemaworld.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kWorking = QStringLiteral("...");
const QString kNotConnected = QStringLiteral("Il Database non Connesso!!");

// A golden case folder: reference.sql, local.sql, expected.txt (the grid
// rows as SchemaWorld::gridRows and the verdict) and, where the texts sent
// matter, queries.txt (the catalogue queries, each between double quotes).
struct GoldenCase
{
    QString referenceSql;
    QString localSql;
    QStringList rows;
    QString verdict;
    bool hasQueries = false;
};

GoldenCase loadGoldenCase(const QString& name)
{
    const QString folder = QStringLiteral("schema/comparison/%1/").arg(name);
    GoldenCase golden;
    golden.referenceSql = readTestSource(folder + QStringLiteral("reference.sql"));
    golden.localSql = readTestSource(folder + QStringLiteral("local.sql"));
    golden.hasQueries = QFile::exists(testSourcePath(folder + QStringLiteral("queries.txt")));
    const QString verdictTag = QStringLiteral("verdict|");
    const QStringList lines = readTestSource(folder + QStringLiteral("expected.txt")).split(u'\n');
    for (const QString& line : lines) {
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(verdictTag))
            golden.verdict = line.mid(verdictTag.size());
        else
            golden.rows << line;
    }
    return golden;
}

// The catalogue queries of a run as queries.txt holds them.
QString queriesSent(const RecordingLog& log)
{
    const QString prefix = QStringLiteral("CommandAggiungiProvvigione_Click: ");
    QString out;
    for (const QString& line : log.traced) {
        const QString query = line.startsWith(prefix) ? line.mid(prefix.size()) : line;
        const qsizetype colon = query.indexOf(QStringLiteral(": "));
        out += query.left(colon + 2) + QLatin1Char('"') + query.mid(colon + 2) +
               QStringLiteral("\"\n");
    }
    return out;
}

// The yields the run owes a grid: one per column row, per table row and per
// view row of the reference's view list (not the two fixed view rows).
int yieldsOwed(const QStringList& rows)
{
    int owed = 0;
    int fixedViewRows = 2;
    for (const QString& row : rows) {
        if (!row.startsWith(QStringLiteral("(V)")))
            ++owed;
        else if (fixedViewRows > 0)
            --fixedViewRows;
        else
            ++owed;
    }
    return owed;
}

} // namespace

class TestComparison : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useClosedUpdateServer(); }
    void golden_data();
    void golden();
    void notConnected_data();
    void notConnected();
    void yieldsFollowRowsAndProgress();
    void emptyReferenceLeavesProgressBar();
    void verdictThenVersionChecksThenRestore();
    void onlySpacesAreTrimmed_data();
    void onlySpacesAreTrimmed();
    void filesLeftAsFound_data();
    void filesLeftAsFound();
};

void TestComparison::golden_data()
{
    QTest::addColumn<QString>("name");
    const QDir root(testSourcePath(QStringLiteral("schema/comparison")));
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QVERIFY2(names.size() >= 7, "golden case folders not found");
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestComparison::golden()
{
    QFETCH(QString, name);
    const GoldenCase expected = loadGoldenCase(name);
    SchemaWorld bench(expected.referenceSql, expected.localSql);
    // Rows of an earlier run, with texts in every column, must all go.
    FlexGrid& grid = bench.form.FlexDb;
    grid.setRows(40);
    for (int r = 1; r < 40; ++r)
        for (int c = 0; c < 3; ++c)
            grid.setTextMatrix(r, c, QStringLiteral("old"));
    int yields = 0;
    bench.port.onYield = [&] {
        if (bench.form.lblEsito.caption() == kWorking) ++yields;
    };
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(bench.gridRows(), expected.rows);
    QCOMPARE(bench.form.lblEsito.caption(), expected.verdict);
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
    QCOMPARE(yields, yieldsOwed(expected.rows));
    QVERIFY(bench.form.enabled());
    QVERIFY(grid.visible());
    QVERIFY(!bench.form.lblinfo.visible());
    QVERIFY(!bench.form.FrameInfo.visible());
    // The update run reads the header row as it was.
    QCOMPARE(grid.TextMatrix(0, 2), QStringLiteral("Stato"));
    // The texts go to SQL Server as they stand: spaces included, table names
    // as read (blanks kept, quotes doubled), view names as the grid shows them.
    if (expected.hasQueries)
        QVERIFY(matchesGolden(QStringLiteral("schema/comparison/%1/queries.txt").arg(name),
                              queriesSent(bench.log)));
}

void TestComparison::notConnected_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("runs");
    QTest::newRow("start-up caption") << QStringLiteral("Connesso") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("not connected") << QStringLiteral("DB non Connesso") << false;
    QTest::newRow("inner blank") << QStringLiteral("DB  Connesso") << false;
    QTest::newRow("exact") << QStringLiteral("DB Connesso") << true;
    QTest::newRow("case and blanks") << QStringLiteral("  db connesso ") << true;
}

void TestComparison::notConnected()
{
    QFETCH(QString, caption);
    QFETCH(bool, runs);
    SchemaWorld bench(QStringLiteral("CREATE TABLE Clienti (ID int);"),
                      QStringLiteral("CREATE TABLE Clienti (ID int);"));
    bench.form.lblConnesso.setCaption(caption);
    bench.form.FlexDb.setRows(5);
    bench.port.expectBox(runs ? kFtpUnreachable : kNotConnected);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
    if (runs) {
        QCOMPARE(bench.form.FlexDb.Rows(), 1 + 2 + 2); // table, column, two fixed views
        return;
    }
    const RecordedBox& box = bench.port.boxes.front();
    QCOMPARE(box.title, QStringLiteral("Attenzione!!"));
    QCOMPARE(box.style, int(style::Critical));
    QCOMPARE(bench.form.FlexDb.Rows(), 1);
    QCOMPARE(bench.form.lblEsito.caption(), kWorking);
    QVERIFY(bench.log.lines.isEmpty() && bench.log.traced.isEmpty());      // no query ran
    QCOMPARE(bench.form.lblDBDashmoor.caption(), QStringLiteral("9.9.9")); // no version check
    QVERIFY(bench.form.enabled());
    QVERIFY(bench.form.FlexDb.visible());
    QCOMPARE(bench.port.yields, 0);
}

// Each yield comes after the row it follows is written, and the bar counts
// tables, then views.
void TestComparison::yieldsFollowRowsAndProgress()
{
    SchemaWorld bench(QStringLiteral("CREATE TABLE A (x int, y int);"
                                     "CREATE TABLE B (z int);"
                                     "CREATE VIEW V1 AS SELECT 1 AS Uno;"
                                     "CREATE VIEW V2 AS SELECT 1 AS Uno;"),
                      QStringLiteral("CREATE TABLE A (x int);"));
    QStringList trace;
    bool busyAtEveryYield = true;
    bench.port.onYield = [&] {
        if (bench.form.lblEsito.caption() != kWorking) return;
        const ProgressBarControl& bar = bench.form.PB1;
        trace << QStringLiteral("%1/%2/%3")
                     .arg(bench.form.FlexDb.Rows())
                     .arg(bar.value())
                     .arg(bar.max());
        busyAtEveryYield = busyAtEveryYield && !bench.form.enabled() &&
                           !bench.form.FlexDb.visible() && bench.form.lblinfo.visible();
    };
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    // rows (header included) / PB1 value / PB1 max
    const QStringList expected{"3/0/2", "4/0/2", "4/1/2", "6/1/2", "6/2/2", "9/1/2", "10/2/2"};
    QCOMPARE(trace, expected);
    QVERIFY(busyAtEveryYield);
    QCOMPARE(bench.form.lblinfo.caption(),
             QStringLiteral("Controllo Se le Viste sono Aggiornate!"));
}

void TestComparison::emptyReferenceLeavesProgressBar()
{
    SchemaWorld bench(QStringLiteral("PRAGMA user_version = 1;"),
                      QStringLiteral("CREATE VIEW VProdotto AS SELECT 1 AS Uno;"));
    bench.form.PB1.setMax(7);
    bench.form.PB1.setValue(3);
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(bench.form.PB1.max(), 7);
    QCOMPARE(bench.form.PB1.value(), 3);
    QCOMPARE(bench.gridRows(), QStringList({"(V)VProdotto||OK|65280",
                                            "(V)VProdotti||La Vista non Esiste in Locale !!|255"}));
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
}

// The verdict is written first, the database version is read next, the FTP
// check comes last, and the window is given back only after both.
void TestComparison::verdictThenVersionChecksThenRestore()
{
    const QString versions =
        QStringLiteral("CREATE TABLE Parametri (IDParametro int, Valore varchar(20));"
                       "CREATE TABLE soggetti (IDsoggetto int, RagioneSociale varchar(80));"
                       "CREATE TABLE InfoAggiornamenti (Nome varchar(80), Data datetime,"
                       " Versione varchar(20));");
    SchemaWorld bench(versions + QStringLiteral("INSERT INTO Parametri VALUES (1, ' 2.5 ');"),
                      versions + QStringLiteral("INSERT INTO Parametri VALUES (1, '2.5');"
                                                "INSERT INTO soggetti VALUES (1, 'Rossi');"));
    QString seenAtFtpBox;
    bench.port.onBox = [&](const QString&) {
        seenAtFtpBox =
            QStringList{bench.form.lblEsito.caption(), bench.form.lblDBDashmoor.caption(),
                        bench.form.lblBDLocale.caption(),
                        bench.form.enabled() ? "enabled" : "disabled",
                        bench.form.FlexDb.visible() ? "grid shown" : "grid hidden"}
                .join(QLatin1Char('|'));
    };
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    QCOMPARE(seenAtFtpBox, QStringLiteral("Alcune Tabelle/Viste non Sono Aggiornate !!!|2.5|2.5|"
                                          "disabled|grid hidden"));
    QCOMPARE(bench.form.lblDBDashmoor.foreColour(), int(colour::Green));
    QVERIFY(bench.form.enabled());
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
}

void TestComparison::onlySpacesAreTrimmed_data()
{
    QTest::addColumn<QString>("blank");
    QTest::newRow("tab") << QStringLiteral("\t");
    QTest::newRow("line feed") << QStringLiteral("\n");
    QTest::newRow("no-break space") << QStringLiteral("\u00a0");
}

// Names are trimmed of spaces only, as the update run trims them: another
// blank is part of the name, so a column named alike on both sides is found.
void TestComparison::onlySpacesAreTrimmed()
{
    QFETCH(QString, blank);
    const QString table = QStringLiteral("Listini") + blank;
    const QString column = QStringLiteral("Prezzo") + blank;
    const QString view = blank + QStringLiteral("VListini");
    const QString schema = QStringLiteral("CREATE TABLE [%1] ([%2] int, [%3] int);"
                                          "CREATE VIEW [%4] AS SELECT 1 AS Uno;");
    SchemaWorld bench(schema.arg(table, QStringLiteral(" ") + column + QStringLiteral(" "),
                                 QStringLiteral("Sconto "), view),
                      schema.arg(table, column, QStringLiteral("Sconto"), view));
    bench.port.expectBox(kFtpUnreachable);

    CommandAggiungiProvvigione_Click(bench.ctx);

    const QStringList expected{table + "||OK|65280",
                               table + "|" + column + "|OK|65280",
                               table + "|Sconto|OK|65280",
                               "(V)VProdotto||La Vista non Esiste in Locale !!|255",
                               "(V)VProdotti||La Vista non Esiste in Locale !!|255",
                               "(V)" + view + "||OK|65280"};
    QCOMPARE(bench.gridRows(), expected);
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
}

// The run reads each file in one read transaction of its own: it ends with
// the run, so another program writes both files at once afterwards, and a
// transaction the caller had open is left open.
void TestComparison::filesLeftAsFound_data()
{
    QTest::addColumn<bool>("callerTransaction");
    QTest::newRow("autocommit") << false;
    QTest::newRow("inside the caller's transaction") << true;
}

void TestComparison::filesLeftAsFound()
{
    QFETCH(bool, callerTransaction);
    SchemaWorld bench(QStringLiteral("CREATE TABLE A (x int, y int); CREATE TABLE B (z int);"),
                      QStringLiteral("CREATE TABLE A (x int);"));
    sqlite3* local = bench.g.LocalConnection->embeddedHandle();
    if (callerTransaction) bench.g.LocalConnection->Execute(QStringLiteral("BEGIN"));
    bench.port.expectBox(kFtpUnreachable);
    CommandAggiungiProvvigione_Click(bench.ctx);
    QVERIFY2(bench.port.allBoxesAsExpected(), qPrintable(bench.port.explain()));
    // The run did read both files.
    QCOMPARE(bench.redRows(), QStringList({"A|y", "B|", "B|z", "(V)VProdotto|", "(V)VProdotti|"}));
    QCOMPARE(sqlite3_get_autocommit(local) == 0, callerTransaction);
    QVERIFY(sqlite3_get_autocommit(bench.g.ReferenceConnection->embeddedHandle()));
    if (callerTransaction) bench.g.LocalConnection->Execute(QStringLiteral("COMMIT"));
    for (const QString& file : {bench.referencePath(), bench.file(kLocalDatabase + ".db")}) {
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(file.toUtf8().constData(), &other, SQLITE_OPEN_READWRITE, nullptr),
                 SQLITE_OK);
        sqlite3_busy_timeout(other, 0);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; CREATE TABLE Altro (a int); COMMIT", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(other);
    }
}

QTEST_GUILESS_MAIN(TestComparison)
#include "test_comparison.moc"

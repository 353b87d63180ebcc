// The comparison, the column addition, the default rows and the schema update
// run on SQL Server, each against the scripted Corvane database one release
// behind, with what arrived at both servers compared with golden text.
#include "corvanedatabase.h"
#include "schema/addcolumn.h"
#include "schema/comparison.h"
#include "schema/updaterun.h"
#include "schema/updaterun_steps.h"
#include "seed/seed.h"
#include "sqlservertesthelpers.h"
#include "sqlserverworld.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");

// Connected worlds whose servers play the scripted database.
bool startWorld(SqlServerWorld& w, const QString& failOn = QString(), bool emptyLookups = false)
{
    if (!w.start()) return false;
    w.reference.setRules(referenceRules());
    w.local.setRules(localRules(failOn, emptyLookups));
    useClosedUpdateServer();
    w.connect();
    return true;
}

// The red rows of the grid: "table|column|status".
QStringList redRows(const FlexGrid& grid)
{
    QStringList rows;
    FlexGrid& g = const_cast<FlexGrid&>(grid);
    for (int r = 1; r < g.Rows(); ++r) {
        g.setRow(r);
        g.setCol(2);
        if (g.CellBackColor() == colour::Red)
            rows << g.TextMatrix(r, 0) + u'|' + g.TextMatrix(r, 1) + u'|' + g.TextMatrix(r, 2);
    }
    return rows;
}

// Runs the comparison, which fills the grid for the update run; forgets what it said.
void compare(SqlServerWorld& w)
{
    w.port.expectBox(kFtpUnreachable);
    CommandAggiungiProvvigione_Click(w.ctx);
    w.reference.clearTranscript();
    w.local.clearTranscript();
}

} // namespace

class TestTdsUpdateRun : public QObject
{
    Q_OBJECT
private slots:
    void comparisonFindsWhatIsMissing();
    void columnAddition();
    void columnAdditionRefusesAKey();
    void defaultRows_data();
    void defaultRows();
    void updateRunBringsTheDatabaseUpToDate();
    void failingCreateStopsTheRun();
};

void TestTdsUpdateRun::comparisonFindsWhatIsMissing()
{
    SqlServerWorld w;
    QVERIFY(startWorld(w));
    w.port.expectBox(kFtpUnreachable);
    CommandAggiungiProvvigione_Click(w.ctx);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(redRows(w.form.FlexDb),
             (QStringList{"Clienti|Email|Il Campo non Esiste in Locale !!",
                          "Commesse||La Tabella non Esiste in Locale !!",
                          "Commesse|IDCommessa|Il Campo non Esiste in Locale !!",
                          "Commesse|Codice|Il Campo non Esiste in Locale !!",
                          "Commesse|Descrizione|Il Campo non Esiste in Locale !!",
                          "Commesse|Importo|Il Campo non Esiste in Locale !!",
                          "Commesse|Aperta|Il Campo non Esiste in Locale !!",
                          "Commesse|Chiusa|Il Campo non Esiste in Locale !!",
                          "Commesse|Note|Il Campo non Esiste in Locale !!",
                          "(V)VCommesseAperte||La Vista non Esiste in Locale !!"}));
    QCOMPARE(w.form.lblEsito.caption(),
             QStringLiteral("Alcune Tabelle/Viste non Sono Aggiornate !!!"));
    QCOMPARE(w.unexpected(), QStringList());
    QCOMPARE_GOLDEN(w.transcripts(), QStringLiteral("comparison.txt"));
}

void TestTdsUpdateRun::columnAddition()
{
    SqlServerWorld w;
    QVERIFY(startWorld(w));
    const QString statement = BuildAddColumnStatement(
        w.ctx, w.g.ReferenceServer, w.g.ReferenceUser, w.g.ReferencePassword, w.g.ReferenceDatabase,
        w.g.LocalServer, w.g.LocalUser, w.g.LocalPassword, w.g.LocalDatabase,
        QStringLiteral("Clienti"), QStringLiteral("email"));
    QCOMPARE(statement, QStringLiteral("ALTER TABLE [Clienti] ADD [Email] [nvarchar] (120) "));
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.unexpected(), QStringList());
    QCOMPARE_GOLDEN(w.transcripts(), QStringLiteral("addcolumn.txt"));
}

void TestTdsUpdateRun::columnAdditionRefusesAKey()
{
    SqlServerWorld w;
    QVERIFY(startWorld(w));
    w.port.expectBox(QStringLiteral("Non Posso Aggiungere il Campo Perchè è una chiave!!"));
    const QString statement = BuildAddColumnStatement(
        w.ctx, w.g.ReferenceServer, w.g.ReferenceUser, w.g.ReferencePassword, w.g.ReferenceDatabase,
        w.g.LocalServer, w.g.LocalUser, w.g.LocalPassword, w.g.LocalDatabase,
        QStringLiteral("Clienti"), QStringLiteral("Codice"));
    QCOMPARE(statement, QString());
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    // Once the reference has refused, the local server hears nothing beyond
    // the program's own connection.
    QCOMPARE(w.local.transcript(), QStringLiteral("[1] login sa@Locale\n"));
}

void TestTdsUpdateRun::defaultRows_data()
{
    QTest::addColumn<bool>("emptyLookups");
    QTest::addColumn<QString>("goldenFile");
    QTest::newRow("some lookup tables filled") << false << "seed.txt";
    QTest::newRow("every lookup table empty") << true << "seed_empty.txt";
}

void TestTdsUpdateRun::defaultRows()
{
    QFETCH(bool, emptyLookups);
    QFETCH(QString, goldenFile);
    SqlServerWorld w;
    QVERIFY(startWorld(w, QString(), emptyLookups));
    SeedDefaultRows(w.ctx);
    QCOMPARE(w.unexpected(), QStringList());
    for (const QString& line : std::as_const(w.log.lines))
        QVERIFY2(!line.contains(QLatin1String("stopped")), qPrintable(line));
    QCOMPARE_GOLDEN(w.transcripts(), goldenFile);
}

void TestTdsUpdateRun::updateRunBringsTheDatabaseUpToDate()
{
    SqlServerWorld w;
    QVERIFY(startWorld(w));
    compare(w);
    w.port.expectBox(kFtpUnreachable);
    w.port.expectBox(kSuccess);
    Cmd_Click(w.ctx);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(redRows(w.form.FlexDb), QStringList());
    QCOMPARE(w.form.lblEsito.caption(),
             QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!"));
    QCOMPARE(w.form.lblBDLocale.caption(), QStringLiteral("2.1"));
    QCOMPARE(w.form.lblBDLocale.foreColour(), colour::Green);
    QCOMPARE(w.unexpected(), QStringList());
    QCOMPARE_GOLDEN(w.transcripts(), QStringLiteral("updaterun.txt"));
}

// An error token on the CREATE TABLE: the error box with the server's text,
// then the script; nothing after it runs, the version is not written.
void TestTdsUpdateRun::failingCreateStopsTheRun()
{
    SqlServerWorld w;
    QVERIFY(startWorld(w, QStringLiteral(R"(CREATE TABLE \[dbo\]\.\[Commesse\] .*)")));
    compare(w);
    w.port.expectBox(QStringLiteral("ERRORE !!\r\n\r\n-2147467259 -- [FreeTDS][SQL Server]There is "
                                    "already an object named 'Commesse' in the database."));
    w.port.expectBoxStartingWith(QStringLiteral("CREATE TABLE [dbo].[Commesse] (\r\n"));
    Cmd_Click(w.ctx);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.at(1).style, int(style::Critical));
    QCOMPARE(w.port.boxes.at(2).style, int(style::Ok));
    QVERIFY(w.form.enabled());
    const QString local = w.local.transcript();
    QVERIFY(local.contains(QLatin1String("ALTER TABLE [Clienti] ADD [Email]")));
    QVERIFY(!local.contains(QLatin1String("CREATE VIEW")));
    QVERIFY(!local.contains(QLatin1String("Update Parametri SET Valore")));
    QVERIFY(!local.contains(QLatin1String("AlberoCategorie")));
}

QTEST_GUILESS_MAIN(TestTdsUpdateRun)
#include "test_updaterun.moc"

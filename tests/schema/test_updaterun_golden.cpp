#include "schema/updaterun.h"
#include "schemaworld.h"
#include "support/testfiles.h"

#include <QtTest>

using namespace corvane;
using test::SchemaWorld;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kAllUpToDate = QStringLiteral("Tutte le Tabelle/Viste Sono Aggiornate !!!");

// Both databases of a golden case: the shared lookup tables, then the case's own script.
void loadCase(SchemaWorld& f, const QString& name)
{
    const QString lookup = test::readTestSource(QStringLiteral("support/lookup_tables.sql"));
    const QString folder = QStringLiteral("schema/updaterun/%1/").arg(name);
    f.reference(lookup + test::readTestSource(folder + QStringLiteral("reference.sql")));
    f.local(lookup + test::readTestSource(folder + QStringLiteral("local.sql")));
    f.connect();
}

// Runs the comparison, then the update run, expecting it to reach its success box.
void compareAndUpdate(SchemaWorld& f)
{
    f.compare();
    f.expectVersionCheckBox();
    f.port.expectBox(kSuccess);
    Cmd_Click(f.ctx);
}

bool sameAsGolden(const QString& name, const QString& dump)
{
    return test::matchesGolden(QStringLiteral("schema/updaterun/%1/expected.txt").arg(name), dump);
}

} // namespace

class TestUpdateRunGolden : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::useClosedUpdateServer(); }
    void goldenCase_data();
    void goldenCase();
    void secondRunSendsNothing();
    void notNullColumnRefusedOnTableWithRows();
    void referenceVersionRow_data();
    void referenceVersionRow();
};

void TestUpdateRunGolden::goldenCase_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("redAfter");
    QTest::addColumn<QString>("localVersion");

    QTest::newRow("new table, columns and views") << "new_objects" << QStringList{} << "4.2.B";
    QTest::newRow("nothing missing") << "nothing_missing" << QStringList{} << "V5.0-RC";
    QTest::newRow("view name taken by a local table")
        << "view_name_taken" << QStringList{"(V)VRiepilogo|"} << "6.0";
}

void TestUpdateRunGolden::goldenCase()
{
    QFETCH(QString, name);
    QFETCH(QStringList, redAfter);
    QFETCH(QString, localVersion);

    SchemaWorld f;
    loadCase(f, name);
    compareAndUpdate(f);

    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.redRows(), redAfter);
    QCOMPARE(f.form.lblEsito.caption().toUpper() == kAllUpToDate.toUpper(), redAfter.isEmpty());
    QCOMPARE(f.localRows("SELECT Valore FROM Parametri WHERE IDparametro = 1"),
             QStringList{localVersion});
    QCOMPARE(f.form.lblBDLocale.caption(), localVersion);
    QVERIFY(sameAsGolden(name, f.localDump()));
    QVERIFY(f.form.enabled());
    QVERIFY(f.form.FlexDb.visible());
    QVERIFY(!f.form.lblinfo.visible());
}

void TestUpdateRunGolden::secondRunSendsNothing()
{
    SchemaWorld f;
    loadCase(f, QStringLiteral("new_objects"));
    compareAndUpdate(f);
    const QString afterFirst = f.localDump();
    const qsizetype sentFirst = f.log.executed().size();

    f.expectVersionCheckBox();
    f.port.expectBox(kSuccess);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.log.executed().size(), sentFirst + 1); // the version write only
    QVERIFY(f.log.executed().last().startsWith("Update Parametri SET Valore = '4.2.B'"));
    QCOMPARE(f.localDump(), afterFirst);
}

void TestUpdateRunGolden::notNullColumnRefusedOnTableWithRows()
{
    SchemaWorld f;
    f.reference("CREATE TABLE Clienti (IDCliente integer PRIMARY KEY, Nome varchar(50), "
                "Obbligatorio int NOT NULL, Dopo int);");
    f.local("CREATE TABLE Clienti (IDCliente integer PRIMARY KEY, Nome varchar(50));"
            "INSERT INTO Clienti VALUES (1, 'Rossi');");
    f.connect();
    f.compare();
    QCOMPARE(f.redRows(), (QStringList{"Clienti|Obbligatorio", "Clienti|Dopo", "(V)VProdotto|",
                                       "(V)VProdotti|"}));

    f.port.expectBoxStartingWith("ERRORE !!\r\n\r\n");
    f.port.expectBox("ALTER TABLE \"Clienti\" ADD \"Obbligatorio\" int NOT NULL ");
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.port.boxes.last().title, QString());
    QCOMPARE(f.port.boxes.last().style, style::Ok);
    // The run ended there: the next column was not added, the grid stays hidden.
    QCOMPARE(f.localRows("SELECT name FROM pragma_table_info('Clienti')"),
             (QStringList{"IDCliente", "Nome"}));
    QVERIFY(!f.form.FlexDb.visible());
    QVERIFY(f.form.enabled());
    QCOMPARE(f.port.mousePointer, pointer::Icon);
}

void TestUpdateRunGolden::referenceVersionRow_data()
{
    QTest::addColumn<QString>("referenceRow");
    QTest::addColumn<QString>("localAfter");

    QTest::newRow("lower case") << "(1, 'r2.b')"
                                << "R2.B";
    QTest::newRow("quote in the version") << "(1, 'l''ultima 2')"
                                          << "L'ULTIMA 2";
    QTest::newRow("blanks around") << "(1, '  3.1  ')"
                                   << "3.1";
    QTest::newRow("no row 1") << "(2, '9.9')"
                              << "1.0";
}

void TestUpdateRunGolden::referenceVersionRow()
{
    QFETCH(QString, referenceRow);
    QFETCH(QString, localAfter);

    SchemaWorld f;
    const QString views = "CREATE VIEW VProdotto AS SELECT 1 AS a; "
                          "CREATE VIEW VProdotti AS SELECT 1 AS a; "
                          "CREATE TABLE Parametri (IDParametro int, Valore varchar(30));";
    f.reference(views + "INSERT INTO Parametri VALUES " + referenceRow + ";");
    f.local(views + "INSERT INTO Parametri VALUES (1, '1.0');");
    f.connect();
    compareAndUpdate(f);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.form.lblEsito.caption(), kAllUpToDate);
    QCOMPARE(f.localRows("SELECT Valore FROM Parametri WHERE IDParametro = 1"),
             QStringList{localAfter});
    QCOMPARE(f.form.lblBDLocale.caption(), localAfter);
}

QTEST_GUILESS_MAIN(TestUpdateRunGolden)
#include "test_updaterun_golden.moc"

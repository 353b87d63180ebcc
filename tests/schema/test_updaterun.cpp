#include "schema/updaterun.h"
#include "schema/updaterun_batches.h"
#include "schemaworld.h"

#include <QFile>
#include <QtTest>

using namespace corvane;
using test::SchemaWorld;

namespace {

const QString kSuccess = QStringLiteral("Aggiornamento Avvenuto con Successo !!");
const QString kLibraryMissing =
    QStringLiteral("Non ci sono Alcune librerie Installate Necessarie per Continuare!!\r\n\r\n"
                   "Eseguire prima l'aggiornamento del Programma");
const QString kSep = QStringLiteral("\r\nGO\r\n");
const QString kDownloadQuestion = QStringLiteral("Il Programma è Già Aggiornato");

using Grid = QList<SchemaWorld::GridRow>;

// The boxes of a run that reaches its end: the version check inside the
// second comparison, then the success message.
void expectCompletion(SchemaWorld& f)
{
    f.expectVersionCheckBox();
    f.port.expectBox(kSuccess);
}

// The red rows as the walk leaves them, taken when the seeding phase begins.
std::shared_ptr<QStringList> snapshotAfterWalk(SchemaWorld& f)
{
    auto snapshot = std::make_shared<QStringList>();
    auto taken = std::make_shared<bool>(false);
    f.port.onYield = [&f, snapshot, taken] {
        if (!*taken && f.form.lblinfo.caption() == QLatin1String("Aggiorno Campi DataBase")) {
            *snapshot = f.redRows();
            *taken = true;
        }
    };
    return snapshot;
}

} // namespace

class TestUpdateRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::useClosedUpdateServer(); }
    void batchRule_data();
    void batchRule();
    void libraryMissingPath_data();
    void libraryMissingPath();
    void libraryVersionAccepted_data();
    void libraryVersionAccepted();
    void connectionLabel_data();
    void connectionLabel();
    void localServerVersionChoosesDialect_data();
    void localServerVersionChoosesDialect();
    void probeLoginRefused();
    void everyBatchSentOnceInOrder();
    void goInsideNameSendsNothingButTakesRowsOff();
    void columnRowBeforeItsTableStillProcessed();
    void failingCreateTableShowsBothBoxesAndStops();
    void viewOnUnavailableObjectSkippedSilently();
};

void TestUpdateRun::batchRule_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("batches");

    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one statement, no separator")
        << "CREATE TABLE A (x int)" << QStringList{"CREATE TABLE A (x int)"};
    QTest::newRow("GO inside a name, no separator") << "CREATE TABLE GOLD (x int)" << QStringList{};
    QTest::newRow("lower-case go is no separator")
        << "SELECT 1 AS go" << QStringList{"SELECT 1 AS go"};
    QTest::newRow("GO between LF only") << "CREATE TABLE A (x int)\nGO\n" << QStringList{};
    QTest::newRow("one batch, trailing blank lines") << "CREATE TABLE A (x int)" + kSep + "\r\n\r\n"
                                                     << QStringList{"CREATE TABLE A (x int)"};
    QTest::newRow("text after the last separator never sent")
        << "A" + kSep + "B" + kSep + "C" << QStringList{"A", "\r\nB"};
    QTest::newRow("five batches") << "B1" + kSep + "B2" + kSep + "B3" + kSep + "B4" + kSep + "B5" +
                                         kSep
                                  << QStringList{"B1", "\r\nB2", "\r\nB3", "\r\nB4", "\r\nB5"};
    QTest::newRow("separators back to back: no empty batch")
        << "A" + kSep + "GO\r\n" + "B" + kSep << QStringList{"A", "\r\nB"};
    QTest::newRow("GO inside a batch name survives")
        << "CREATE TABLE GOLD (x int)" + kSep << QStringList{"CREATE TABLE GOLD (x int)"};
}

void TestUpdateRun::batchRule()
{
    QFETCH(QString, script);
    QFETCH(QStringList, batches);
    QCOMPARE(schema::batchesOf(script), batches);
}

void TestUpdateRun::libraryMissingPath_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<bool>("creationFails");
    QTest::addColumn<bool>("serverFails");
    QTest::addColumn<QString>("packageFile");
    QTest::addColumn<bool>("opened");

    const QString package64 = QStringLiteral("sqlserver2005_bc_x64.msi");
    QTest::newRow("8.0, package present") << 8 << 0 << false << false << package64 << true;
    QTest::newRow("8.0, package absent") << 8 << 0 << false << false << QString() << false;
    QTest::newRow("7.9, package present") << 7 << 9 << false << false << package64 << true;
    QTest::newRow("8.4, only the 32-bit package")
        << 8 << 4 << false << false << QStringLiteral("SQLSERVER2005_BC.MSI") << false;
    QTest::newRow("component cannot be created, package present")
        << 9 << 0 << true << false << package64 << true;
    QTest::newRow("component cannot be created, package absent")
        << 9 << 0 << true << false << QString() << false;
    QTest::newRow("server object cannot be created")
        << 9 << 0 << false << true << package64 << true;
}

void TestUpdateRun::libraryMissingPath()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(bool, creationFails);
    QFETCH(bool, serverFails);
    QFETCH(QString, packageFile);
    QFETCH(bool, opened);

    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->major = major;
    fake->minor = minor;
    fake->createServerFails = serverFails;
    if (creationFails)
        f.g.createSqlDmoApplication = [] { return std::shared_ptr<schema::Application>(); };
    if (!packageFile.isEmpty()) {
        QFile file(f.programFolder.filePath(packageFile));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    f.setGrid({{"Nuova", "", true}});
    f.port.expectBox(kLibraryMissing);
    // The download run starts: both program versions read alike, so it asks first.
    if (!opened) f.port.expectBoxStartingWith(kDownloadQuestion, Answer::No);

    Cmd_Click(f.ctx);

    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.port.boxes.first().title, QStringLiteral("Attenzione!"));
    QCOMPARE(f.port.boxes.first().style, style::Critical);
    if (opened) {
        QCOMPARE(f.port.opened,
                 (QList<QStringList>{{f.programFolder.filePath(packageFile), f.port.folder}}));
    } else {
        QVERIFY(f.port.opened.isEmpty());
    }
    QVERIFY(f.form.enabled());
    QCOMPARE(f.port.mousePointer, pointer::Icon);
    QVERIFY(f.log.executed().isEmpty());
    QCOMPARE(f.redRows(), QStringList{"Nuova|"});
}

void TestUpdateRun::libraryVersionAccepted_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::newRow("8.5") << 8 << 5;
    QTest::newRow("9.0") << 9 << 0;
    QTest::newRow("10.0") << 10 << 0;
}

void TestUpdateRun::libraryVersionAccepted()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->major = major;
    fake->minor = minor;
    fake->catalog->tables.insert("Nuova", test::scriptedTable("CREATE TABLE Nuova (x int)" + kSep));
    f.setGrid({{"Nuova", "", true}});
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.log.executed(), QStringList{"CREATE TABLE Nuova (x int)"});
    QCOMPARE(f.port.boxes.last().title, QStringLiteral("OK"));
    QCOMPARE(f.port.boxes.last().style, style::Information);
    QVERIFY(f.form.enabled());
    QVERIFY(f.form.FlexDb.visible());
    QVERIFY(!f.form.lblinfo.visible());
    QCOMPARE(f.port.mousePointer, pointer::Icon);
}

void TestUpdateRun::connectionLabel_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("as shown") << "DB Connesso" << true;
    QTest::newRow("other case, blanks around") << "  db CONNESSO " << true;
    QTest::newRow("not connected") << "DB Non Connesso" << false;
    QTest::newRow("empty") << "" << false;
}

void TestUpdateRun::connectionLabel()
{
    QFETCH(QString, caption);
    QFETCH(bool, accepted);
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->catalog->tables.insert("Nuova", test::scriptedTable("CREATE TABLE Nuova (x int)" + kSep));
    f.form.lblConnesso.setCaption(caption);
    f.form.lblinfo.setVisible(false);
    f.setGrid({{"Nuova", "", true}});
    if (accepted) {
        expectCompletion(f);
    } else {
        f.port.expectBox("Il Database non Connesso!!");
    }
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.localObjects().contains("table Nuova"), accepted);
    if (!accepted) {
        QCOMPARE(f.port.boxes.first().title, QStringLiteral("Attenzione!!"));
        QCOMPARE(f.port.boxes.first().style, style::Critical);
        QCOMPARE(f.redRows(), QStringList{"Nuova|"});
        QVERIFY(!f.form.lblinfo.visible());
        QVERIFY(f.form.FlexDb.visible());
        QCOMPARE(f.port.yields, 0);
    }
}

void TestUpdateRun::localServerVersionChoosesDialect_data()
{
    QTest::addColumn<int>("serverMajor");
    QTest::addColumn<int>("script2Type");
    QTest::newRow("7") << 7 << schema::SQLDMOScript2_70Only;
    QTest::newRow("8") << 8 << schema::SQLDMOScript2_70Only;
    QTest::newRow("9") << 9 << schema::SQLDMOScript2_Default;
    QTest::newRow("10") << 10 << schema::SQLDMOScript2_Default;
}

void TestUpdateRun::localServerVersionChoosesDialect()
{
    QFETCH(int, serverMajor);
    QFETCH(int, script2Type);
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->catalog->serverVersionMajor = serverMajor;
    fake->catalog->tables.insert("Nuova", test::scriptedTable("CREATE TABLE Nuova (x int)" + kSep));
    fake->catalog->views.insert("VNuova", "CREATE VIEW VNuova AS SELECT x FROM Nuova" + kSep);
    f.setGrid({{"Nuova", "", true}, {"(V)VNuova", "", true}});
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(fake->calls->script2Types, (QList<int>{script2Type, script2Type}));
    QCOMPARE(fake->calls->connects.first(), (QStringList{f.g.LocalServer, "sa", ""}));
    QCOMPARE(f.localObjects(), (QStringList{"table Nuova", "view VNuova"}));
}

void TestUpdateRun::probeLoginRefused()
{
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->catalog->refuseConnect = true;
    f.setGrid({{"Nuova", "", true}});
    f.port.expectBox("ERRORE !!\r\n\r\n18456 -- Login failed");
    f.port.expectBox(""); // no script obtained yet
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.port.boxes.at(0).title, QStringLiteral("ATTENZIONE"));
    QCOMPARE(f.port.boxes.at(0).style, style::Critical);
    QCOMPARE(f.port.boxes.at(1).title, QString());
    QCOMPARE(f.port.boxes.at(1).style, style::Ok);
    QVERIFY(f.log.executed().isEmpty());
    QCOMPARE(f.redRows(), QStringList{"Nuova|"});
    QVERIFY(f.form.FlexDb.visible());
    QVERIFY(f.form.enabled());
    QCOMPARE(f.port.mousePointer, pointer::Icon);
}

void TestUpdateRun::everyBatchSentOnceInOrder()
{
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    QString script;
    QStringList expected;
    // The table, then its four indexes: five batches of one object.
    for (int i = 1; i <= 5; ++i) {
        const QString batch =
            i == 1 ? QStringLiteral("CREATE TABLE Parte1 (a int, b int, c int, d int)")
                   : QStringLiteral("CREATE INDEX IX%1 ON Parte1 (%2)")
                         .arg(i)
                         .arg(QChar(u'a' + i - 2));
        script += batch + kSep;
        expected << (i > 1 ? "\r\n" : "") + batch;
    }
    fake->catalog->tables.insert("Parte1", test::scriptedTable(script + "\r\n\r\n"));
    f.setGrid({{"Parte1", "", true}});
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.log.executed(), expected);
    QCOMPARE(f.localObjects(), QStringList{"table Parte1"});
    QCOMPARE(f.localRows("SELECT name FROM sqlite_schema WHERE type = 'index' ORDER BY name"),
             (QStringList{"IX2", "IX3", "IX4", "IX5"}));
}

void TestUpdateRun::goInsideNameSendsNothingButTakesRowsOff()
{
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    fake->catalog->tables.insert("GOLD",
                                 test::scriptedTable("CREATE TABLE GOLD (Prezzo int, Peso int)"));
    fake->catalog->tables.insert("Altra", test::scriptedTable("CREATE TABLE Altra (x int)" + kSep));
    f.setGrid({{"GOLD", "", true},
               {"GOLD", "Prezzo", true},
               {"Altra", "", true},
               {" gold ", "Peso", true},
               {"Altra", "x", true}});
    const std::shared_ptr<QStringList> afterWalk = snapshotAfterWalk(f);
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.log.executed(), QStringList{"CREATE TABLE Altra (x int)"});
    // A table row itself stays red; only the table's later rows leave the list.
    QCOMPARE(*afterWalk, (QStringList{"GOLD|", "Altra|"}));
    // Only the two table scripts were asked for: no column row reached the component.
    QCOMPARE(fake->calls->tableNames, (QStringList{"GOLD", "Altra"}));
    QCOMPARE(f.form.PB1.max(), 5);
}

void TestUpdateRun::columnRowBeforeItsTableStillProcessed()
{
    SchemaWorld f;
    f.connect();
    auto fake = f.useFakeComponent();
    test::FakeSqlDmoCatalog::TableEntry righe =
        test::scriptedTable("CREATE TABLE Righe (C int, D int)" + kSep);
    schema::Column c;
    c.Name = "C";
    c.Datatype = "int";
    schema::Column d = c;
    d.Name = "D";
    righe.columns = {c, d};
    fake->catalog->tables.insert("Righe", righe);
    f.setGrid({{"Righe", "C", true}, {"Righe", "", true}, {"Righe", "D", true}});
    // The stand-in serves one catalogue to both servers, so the column row
    // before the table meets the component's "already there" refusal.
    f.port.expectBoxStartingWith("Non posso  creare il Campo 'C'");
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.log.executed(), QStringList{"CREATE TABLE Righe (C int, D int)"});
}

void TestUpdateRun::failingCreateTableShowsBothBoxesAndStops()
{
    SchemaWorld f;
    f.local("CREATE TABLE Doppia (a int);");
    f.connect();
    auto fake = f.useFakeComponent();
    const QString script = "CREATE TABLE Doppia (a int)" + kSep + "\r\n";
    fake->catalog->tables.insert("Doppia", test::scriptedTable(script));
    fake->catalog->tables.insert("Dopo", test::scriptedTable("CREATE TABLE Dopo (a int)" + kSep));
    f.setGrid({{"Doppia", "", true}, {"Dopo", "", true}});
    f.port.expectBoxStartingWith("ERRORE !!\r\n\r\n");
    f.port.expectBox(script);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QVERIFY2(f.port.boxes.at(0).text.contains(" -- ") && f.port.boxes.at(0).text.contains("Doppia"),
             qPrintable(f.port.boxes.at(0).text));
    QCOMPARE(f.port.boxes.at(0).title, QStringLiteral("ATTENZIONE"));
    QCOMPARE(f.port.boxes.at(1).style, style::Ok);
    QCOMPARE(f.localObjects(), QStringList{"table Doppia"});
    QVERIFY(!f.form.FlexDb.visible());
    QVERIFY(f.form.enabled());
    QCOMPARE(f.port.mousePointer, pointer::Icon);
    QCOMPARE(f.form.lblinfo.caption(), QStringLiteral("Creo le Tabelle che non Sono Aggiornate"));
}

void TestUpdateRun::viewOnUnavailableObjectSkippedSilently()
{
    SchemaWorld f;
    const QString views = "CREATE TABLE Righe (x int);"
                          "CREATE VIEW VProdotto AS SELECT 1 AS a;"
                          "CREATE VIEW VProdotti AS SELECT 1 AS a;";
    f.reference(views + "CREATE VIEW VRighe AS SELECT x FROM Righe;"
                        "CREATE VIEW VZeta AS SELECT x FROM Righe;"
                        "CREATE TABLE Parametri (IDParametro int, Valore varchar(20));"
                        "INSERT INTO Parametri VALUES (1, 'x.9');");
    f.local(views + "CREATE TABLE Parametri (IDParametro int, Valore varchar(20));"
                    "INSERT INTO Parametri VALUES (1, 'x.1');");
    f.connect();
    auto fake = f.useFakeComponent();
    // Refers to another database, which the local engine cannot reach.
    fake->catalog->views.insert("VRighe", "CREATE VIEW VRighe AS SELECT x FROM dbo.Righe" + kSep);
    fake->catalog->views.insert("VZeta", "CREATE VIEW VZeta AS SELECT x FROM Righe" + kSep);
    f.compare();
    QCOMPARE(f.redRows(), (QStringList{"(V)VRighe|", "(V)VZeta|"}));
    expectCompletion(f);
    Cmd_Click(f.ctx);
    QVERIFY2(f.port.allBoxesAsExpected(), qPrintable(f.port.explain()));
    QCOMPARE(f.redRows(), QStringList{"(V)VRighe|"});
    QCOMPARE(f.form.lblEsito.caption(),
             QStringLiteral("Alcune Tabelle/Viste non Sono Aggiornate !!!"));
    QCOMPARE(f.localRows("SELECT Valore FROM Parametri"), QStringList{"x.1"});
    QVERIFY(f.localObjects().contains("view VZeta"));
}

QTEST_GUILESS_MAIN(TestUpdateRun)
#include "test_updaterun.moc"

// The view wired to FormMain: clicks and the close button reach the handlers,
// and the start-up sequence shows and paints the window.
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "schema/sqldmo.h"
#include "support/programworld.h"

#include <QFile>
#include <QLabel>
#include <QTest>

using namespace corvane;
using namespace corvane::gui;
using test::ProgramEnded;

namespace {

const QString kNotConnected = QStringLiteral("Il Database non Connesso!!");

class SqlDmo80 : public schema::Application
{
public:
    int VersionMajor() const override { return 8; }
    int VersionMinor() const override { return 0; }
    std::shared_ptr<schema::SqlServer> createServer() override { return nullptr; }
};

// A FormMain on a program folder of its own, shown through a MainView.
struct Window : test::ProgramWorld
{
    MainView view{*form};

    // Runs what a click or the close button sets off and returns the exit
    // code if the handler ended the program, -1 otherwise.
    template <typename Action> int exitCodeOf(Action action)
    {
        try {
            action();
        } catch (const ProgramEnded& e) {
            return e.exitCode;
        }
        return -1;
    }
};

} // namespace

class TestMainViewHandlers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitution(); }

    void buttonClicksReachTheirHandlers_data();
    void buttonClicksReachTheirHandlers();
    void closeButtonEndsTheProgram();
    void closingTheWindowEndsTheProgram();
    void connectionLabelShowsVersionAndRestarts();
    void startUpShowsAndPaintsTheWindow();
};

void TestMainViewHandlers::buttonClicksReachTheirHandlers_data()
{
    QTest::addColumn<QString>("name");
    // Both operations refuse to start without "DB Connesso": their box proves
    // that the click arrived.
    QTest::newRow("CommandAggiungiProvvigione") << "CommandAggiungiProvvigione";
    QTest::newRow("Cmd") << "Cmd";
}

void TestMainViewHandlers::buttonClicksReachTheirHandlers()
{
    QFETCH(QString, name);
    Window w;
    w.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.view));
    w.port.expectBox(kNotConnected);
    QTest::mouseClick(w.view.controlWidget(name), Qt::LeftButton);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.at(0).title, QStringLiteral("Attenzione!!"));
    QCOMPARE(w.port.boxes.at(0).style, style::Critical);
}

void TestMainViewHandlers::closeButtonEndsTheProgram()
{
    Window w;
    QCOMPARE(w.exitCodeOf([&] { w.form->cmdClose.click(); }), 0);
    QVERIFY(w.port.boxes.isEmpty());
}

void TestMainViewHandlers::closingTheWindowEndsTheProgram()
{
    Window w;
    QCOMPARE(w.exitCodeOf([&] { w.form->requestClose(); }), 0);
    QVERIFY(w.port.boxes.isEmpty());
}

void TestMainViewHandlers::connectionLabelShowsVersionAndRestarts()
{
    Window w;
    w.g.createSqlDmoApplication = [] { return std::make_shared<SqlDmo80>(); };
    // No conf.ini in the folder: the start-up sequence it runs again ends the program.
    QVERIFY(QFile::remove(w.file(QStringLiteral("conf.ini"))));
    w.port.expectBox(QStringLiteral("Versione SQLDMO = 8.0"));
    w.port.expectBoxStartingWith(QStringLiteral("Errore di comunicazione con il database\r\n"));
    QCOMPARE(w.exitCodeOf([&] { w.form->lblConnesso.click(); }), 2);
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));
    QCOMPARE(w.port.boxes.at(0).title, QString());
    QCOMPARE(w.port.boxes.at(0).style, style::Ok);
}

void TestMainViewHandlers::startUpShowsAndPaintsTheWindow()
{
    Window w;
    w.port.expectBox(test::kFtpUnreachable);

    QVERIFY(!w.view.isVisible());
    w.form->Form_Load();
    QVERIFY2(w.port.allBoxesAsExpected(), qPrintable(w.port.explain()));

    QVERIFY(w.view.isVisible());
    QCOMPARE(w.view.windowTitle(), QStringLiteral("Corvane Update (Ver.1.2.0)"));
    QVERIFY(w.view.clientArea()->isEnabled());
    QVERIFY(!w.view.controlWidget(QStringLiteral("FrameInfo"))->isVisible());
    auto* connected = qobject_cast<QLabel*>(w.view.controlWidget(QStringLiteral("lblConnesso")));
    QCOMPARE(connected->text(), QStringLiteral("DB Connesso"));
    QCOMPARE(connected->palette().color(QPalette::WindowText), QColor(0, 192, 0));
    auto* local = qobject_cast<QLabel*>(w.view.controlWidget(QStringLiteral("lblBDLocale")));
    QCOMPARE(local->text(), QStringLiteral("3.1"));
    QCOMPARE(local->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    auto* verdict = qobject_cast<QLabel*>(w.view.controlWidget(QStringLiteral("lblEsito")));
    QCOMPARE(verdict->text(), QString());
}

QTEST_MAIN(TestMainViewHandlers)
#include "test_mainview_handlers.moc"

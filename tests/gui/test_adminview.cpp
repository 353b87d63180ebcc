// What the window owes a customer watching a run: a phase text that can be
// read while the window is disabled, boxes where the window is (or will be),
// Italian buttons, grid columns that can be widened to read long names.
#include "gui/flexdbview.h"
#include "gui/mainview.h"
#include "gui/qtplatform.h"
#include "gui/qttranslation.h"
#include "state/formstate.h"
#include "viewtesthelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace corvane;
using namespace corvane::gui;

namespace {

// Where the next modal box appeared; it is then closed.
void noteNextBox(QRect& geometry, QString& yesText)
{
    QTimer::singleShot(0, [&geometry, &yesText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return noteNextBox(geometry, yesText); // not up yet
        geometry = box->frameGeometry();
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yesText = yes->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
}

bool dark(const QColor& c)
{
    return qGray(c.rgb()) < 96;
}

} // namespace

class TestAdminView : public QObject
{
    Q_OBJECT
private slots:
    void phaseTextLegibleWhileDisabled_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("window working (disabled)") << false;
        QTest::newRow("window idle") << true;
    }
    void phaseTextLegibleWhileDisabled()
    {
        QFETCH(bool, enabled);
        FormState form;
        MainView view(form);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        form.FrameInfo.setVisible(true);
        form.lblinfo.setCaption(
            QStringLiteral("Scarico Nuova Versione Programma! (1/2) \r\nCorvane_Temp.exe"));
        form.setEnabled(enabled);
        QWidget* label = view.controlWidget(QStringLiteral("lblinfo"));
        QCOMPARE(label->isEnabled(), enabled);
        QCOMPARE(label->palette().color(QPalette::Disabled, QPalette::WindowText),
                 QColor(Qt::black));
        // Text pixels: black, not the disabled grey on yellow.
        QVERIFY(test::countPixels(label, dark) > 200);
        QCOMPARE(
            test::countPixels(label, [](const QColor& c) { return c == QColor(190, 190, 190); }),
            0);
    }

    void boxCentredBeforeTheWindowIsShown()
    {
        FormState form;
        MainView view(form);
        QtPlatform platform;
        platform.setMainWindow(&view);
        QVERIFY(!view.isVisible());
        QRect box;
        QString yes;
        noteNextBox(box, yes);
        platform.messageBox(QStringLiteral("Errore di comunicazione con il database"),
                            QStringLiteral("Errore"), 16);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2((box.center() - screen.center()).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("box at %1,%2").arg(box.x()).arg(box.y())));
    }

    void boxCentredOverTheShownWindow()
    {
        FormState form;
        MainView view(form);
        QtPlatform platform;
        platform.setMainWindow(&view);
        view.move(10, 20);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QRect box;
        QString yes;
        noteNextBox(box, yes);
        platform.messageBox(QStringLiteral("Continuare ugualmente?"), QStringLiteral("Attenzione"),
                            36);
        QVERIFY((box.center() - view.frameGeometry().center()).manhattanLength() <= 2);
    }

    void standardButtonsInItalian()
    {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_it.qm")))
            QSKIP("Qt's Italian translation is not installed (qt6-translations-l10n)");
        QVERIFY(installItalianQtTranslation());
        QtPlatform platform;
        QRect box;
        QString yes;
        noteNextBox(box, yes);
        platform.messageBox(QStringLiteral("Continuare ugualmente?"), QStringLiteral("Attenzione"),
                            36);
        QCOMPARE(yes.remove(QLatin1Char('&')), QString::fromUtf8("Sì"));
    }

    void longNamesCanBeRead()
    {
        FormState form;
        MainView view(form);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* grid = qobject_cast<FlexDbView*>(view.controlWidget(QStringLiteral("FlexDb")));
        QVERIFY(grid);
        const QString longName = QStringLiteral("AnagraficaFornitoriContrattiQuadroPluriennali");
        form.FlexDb.setRows(2);
        form.FlexDb.setTextMatrix(1, 0, longName);
        QCOMPARE(grid->model()->index(0, 0).data(Qt::ToolTipRole).toString(), longName);
        QVERIFY(!grid->model()->index(0, 1).data(Qt::ToolTipRole).isValid()); // empty cell
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);

        // A width the user chose survives the next fill of the grid.
        grid->horizontalHeader()->resizeSection(0, 400);
        form.FlexDb.setVisible(false);
        form.FlexDb.setRows(5);
        form.FlexDb.setVisible(true);
        QCOMPARE(grid->columnWidth(0), 400);
    }
};

QTEST_MAIN(TestAdminView)
#include "test_adminview.moc"

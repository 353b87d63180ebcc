// The window following its state: captions, colours as painted, visibility,
// z-order, progress bar, list box, the window's title and enabled state,
// clicks and the close button.
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "state/formstate.h"
#include "viewtesthelpers.h"

#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::gui::test;

namespace {

// The controls a user can click, as the window names them.
Control& clickableControl(FormState& form, const QString& name)
{
    for (Control* c : {&form.CommandAggiungiProvvigione, &form.Cmd, &form.cmdNuovaVer,
                       &form.cmdInstallaLib, &form.cmdClose, &form.lblConnesso})
        if (c->name() == name) return *c;
    qFatal("no clickable control %s", qPrintable(name));
}

// Another clickable control than the named one, which must stay silent.
Control& otherClickableControl(FormState& form, const QString& name)
{
    return name == form.cmdClose.name() ? form.Cmd : form.cmdClose;
}

} // namespace

class TestMainViewState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitution(); }

    void captionLineBreaks_data();
    void captionLineBreaks();
    void captionsAreNotMarkup();
    void foreColourPaintedFromState();
    void backColoursPainted_data();
    void backColoursPainted();
    void visibilityFollowsState();
    void bringToFrontRaises();
    void progressBarMirrorsState();
    void listBoxMirrorsState();
    void titleAndEnabledFollowWindowState();
    void clicksComeOutUnderControlNames_data();
    void clicksComeOutUnderControlNames();
    void disabledWindowTakesNoClicks();
    void closeButtonAsksOnlyWhenEnabled();
};

void TestMainViewState::captionLineBreaks_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CR LF") << "Riga 1\r\nRiga 2"
                           << "Riga 1\nRiga 2";
    QTest::newRow("two CR LF") << "A\r\n\r\nB"
                               << "A\n\nB";
    QTest::newRow("lone CR") << "A\rB"
                             << "A\nB";
    QTest::newRow("LF") << "A\nB"
                        << "A\nB";
    QTest::newRow("none") << "AB"
                          << "AB";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMainViewState::captionLineBreaks()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    FormState form;
    MainView view(form);
    form.lblEsito.setCaption(caption);
    QCOMPARE(qobject_cast<QLabel*>(view.controlWidget(QStringLiteral("lblEsito")))->text(), shown);
    form.cmdNuovaVer.setCaption(caption);
    QCOMPARE(captionOf(view.controlWidget(QStringLiteral("cmdNuovaVer"))), shown);
}

void TestMainViewState::captionsAreNotMarkup()
{
    FormState form;
    MainView view(form);
    auto* label = qobject_cast<QLabel*>(view.controlWidget(QStringLiteral("lblEsito")));
    form.lblEsito.setCaption(QStringLiteral("<b>x</b>"));
    const int asMarkup = QFontMetrics(label->font()).horizontalAdvance(QStringLiteral("x"));
    // Painted as plain text the tags take room; as markup only the x would.
    QVERIFY(label->sizeHint().width() > 3 * asMarkup);
}

void TestMainViewState::foreColourPaintedFromState()
{
    FormState form;
    MainView view(form);
    QWidget* label = view.controlWidget(QStringLiteral("lblConnesso"));
    QVERIFY(countPixels(label, greenish) > 0);
    QCOMPARE(countPixels(label, reddish), 0);

    form.lblConnesso.setCaption(QStringLiteral("DB Non Connesso"));
    form.lblConnesso.setForeColour(colour::Red);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(countPixels(label, reddish) > 0);
    QCOMPARE(countPixels(label, greenish), 0);

    form.lblConnesso.setForeColour(colour::ConnectedGreen);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 192, 0));
}

void TestMainViewState::backColoursPainted_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("lblEsito yellow") << "lblEsito" << QColor(255, 255, 0);
    QTest::newRow("FrameInfo light yellow") << "FrameInfo" << QColor(255, 255, 128);
    QTest::newRow("Frame1 red") << "Frame1" << QColor(255, 0, 0);
}

void TestMainViewState::backColoursPainted()
{
    QFETCH(QString, name);
    QFETCH(QColor, colour);
    FormState form;
    MainView view(form);
    form.lblEsito.setCaption(QString());
    QWidget* w = view.controlWidget(name);
    w->setVisible(true);
    const int area = w->width() * w->height();
    // Most of the control is its back colour (borders and captions aside).
    QVERIFY(countPixels(w, [&](const QColor& c) { return c == colour; }) > area / 2);
}

void TestMainViewState::visibilityFollowsState()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QWidget* info = view.controlWidget(QStringLiteral("FrameInfo"));
    QWidget* grid = view.controlWidget(QStringLiteral("FlexDb"));
    QWidget* button = view.controlWidget(QStringLiteral("cmdNuovaVer"));

    form.FrameInfo.setVisible(true);
    QVERIFY(info->isVisible());
    QVERIFY(view.controlWidget(QStringLiteral("lblinfo"))->isVisible());
    form.FrameInfo.setVisible(false);
    QVERIFY(!info->isVisible());

    form.FlexDb.setVisible(false);
    QVERIFY(!grid->isVisible());
    form.FlexDb.setVisible(true);
    QVERIFY(grid->isVisible());

    form.cmdNuovaVer.setVisible(false);
    QVERIFY(!button->isVisible());
    form.cmdNuovaVer.setEnabled(false);
    form.cmdNuovaVer.setVisible(true);
    QVERIFY(button->isVisible());
    QVERIFY(!button->isEnabled());
}

void TestMainViewState::bringToFrontRaises()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QWidget* grid = view.controlWidget(QStringLiteral("FlexDb"));
    QWidget* info = view.controlWidget(QStringLiteral("FrameInfo"));
    form.FrameInfo.setVisible(true);
    grid->raise();
    const QPoint overlap = info->geometry().center();
    QWidget* top = view.clientArea()->childAt(overlap);
    QVERIFY(top && !info->isAncestorOf(top) && top != info);

    form.FrameInfo.bringToFront();
    top = view.clientArea()->childAt(overlap);
    QVERIFY(top == info || info->isAncestorOf(top));
}

void TestMainViewState::progressBarMirrorsState()
{
    FormState form;
    MainView view(form);
    auto* bar = qobject_cast<QProgressBar*>(view.controlWidget(QStringLiteral("PB1")));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    form.PB1.setMax(40);
    form.PB1.setValue(30);
    QCOMPARE(bar->maximum(), 40);
    QCOMPARE(bar->value(), 30);
    form.PB1.setMax(10); // the state keeps the value within range
    QCOMPARE(bar->value(), 10);
    form.PB1.setValue(0);
    QCOMPARE(bar->value(), 0);
}

void TestMainViewState::listBoxMirrorsState()
{
    FormState form;
    MainView view(form);
    auto* list = qobject_cast<QListWidget*>(view.controlWidget(QStringLiteral("ListFile")));
    const auto shown = [list] {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    };
    form.ListFile.addItem(QStringLiteral("CORVANE.EXE"));
    form.ListFile.addItem(QStringLiteral("VERSIONE.TXT"));
    QCOMPARE(shown(), QStringList({"CORVANE.EXE", "VERSIONE.TXT"}));
    form.ListFile.clear();
    QCOMPARE(shown(), QStringList());
    form.ListFile.addItem(QStringLiteral("Novita.txt"));
    QCOMPARE(shown(), QStringList({"Novita.txt"}));
    form.ListFile.setListIndex(0);
    QCOMPARE(list->currentRow(), 0);
}

void TestMainViewState::titleAndEnabledFollowWindowState()
{
    FormState form;
    MainView view(form);
    form.setTitle(QStringLiteral("Corvane Update (Ver.1.2.0)"));
    QCOMPARE(view.windowTitle(), QStringLiteral("Corvane Update (Ver.1.2.0)"));
    form.setEnabled(false);
    QVERIFY(!view.clientArea()->isEnabled());
    QVERIFY(!view.controlWidget(QStringLiteral("cmdClose"))->isEnabled());
    QVERIFY(!view.controlWidget(QStringLiteral("FlexDb"))->isEnabled());
    form.setEnabled(true);
    QVERIFY(view.controlWidget(QStringLiteral("cmdClose"))->isEnabled());
}

void TestMainViewState::clicksComeOutUnderControlNames_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"CommandAggiungiProvvigione", "Cmd", "cmdNuovaVer", "cmdInstallaLib",
                             "cmdClose", "lblConnesso"})
        QTest::newRow(name) << name;
}

void TestMainViewState::clicksComeOutUnderControlNames()
{
    QFETCH(QString, name);
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    Control& control = clickableControl(form, name);
    QCOMPARE(control.name(), name);
    QSignalSpy clicks(&control, &Control::clicked);
    QSignalSpy others(&otherClickableControl(form, name), &Control::clicked);
    QTest::mouseClick(view.controlWidget(name), Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(others.size(), 0);
}

void TestMainViewState::disabledWindowTakesNoClicks()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy clicks(&form.lblConnesso, &Control::clicked);
    QSignalSpy buttonClicks(&form.Cmd, &Control::clicked);
    form.setEnabled(false);
    QTest::mouseClick(view.controlWidget(QStringLiteral("Cmd")), Qt::LeftButton);
    QTest::mouseClick(view.controlWidget(QStringLiteral("lblConnesso")), Qt::LeftButton);
    QCOMPARE(clicks.size() + buttonClicks.size(), 0);
    form.setEnabled(true);
    QTest::mouseClick(view.controlWidget(QStringLiteral("lblConnesso")), Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
}

void TestMainViewState::closeButtonAsksOnlyWhenEnabled()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy closes(&form, &FormState::closeRequested);
    form.setEnabled(false);
    QVERIFY(!view.close());
    QCOMPARE(closes.size(), 0);
    form.setEnabled(true);
    QVERIFY(!view.close()); // the handler ends the program; the view stays
    QCOMPARE(closes.size(), 1);
    QVERIFY(view.isVisible());
}

QTEST_MAIN(TestMainViewState)
#include "test_mainview_state.moc"

// The window's layout: places, texts, fonts, alignment, tab order and where
// it first appears.
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "state/formstate.h"
#include "support/testfiles.h"
#include "viewtesthelpers.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <QTest>

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::gui::test;

namespace {

// The controls of the view in the order they were made (which is also the
// order they lie on top of each other), frames' contents after the frame.
QList<QWidget*> controlsOf(const MainView& view)
{
    QList<QWidget*> controls;
    for (QWidget* w : view.clientArea()->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && view.controlWidget(w->objectName()) == w) controls << w;
    return controls;
}

QString rectText(const QRect& r)
{
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString alignmentText(Qt::Alignment a)
{
    const Qt::Alignment h = a & Qt::AlignHorizontal_Mask;
    const Qt::Alignment v = a & Qt::AlignVertical_Mask;
    QString text = h == Qt::AlignLeft      ? QStringLiteral("left")
                   : h == Qt::AlignRight   ? QStringLiteral("right")
                   : h == Qt::AlignHCenter ? QStringLiteral("centre")
                                           : QString::number(int(h));
    return text + (v == Qt::AlignTop       ? QStringLiteral(" top")
                   : v == Qt::AlignVCenter ? QStringLiteral(" middle")
                                           : QStringLiteral(" ") + QString::number(int(v)));
}

// One line per control as the shown view has it:
// name|parent|x,y,w,h|"caption"|font|alignment|border|shown.
QString layoutOf(const MainView& view)
{
    const bool fixed = view.minimumSize() == view.size() && view.maximumSize() == view.size();
    QStringList lines{
        QStringLiteral("window|-|%1|\"%2\"|-|-|-|%3")
            .arg(rectText(view.rect()), view.windowTitle(),
                 fixed ? QStringLiteral("fixed") : QStringLiteral("resizable")),
        QStringLiteral("client|window|%1|-|-|-|-|-").arg(rectText(view.clientArea()->geometry()))};
    for (QWidget* w : controlsOf(view)) {
        QWidget* parent = w->parentWidget();
        const QString caption = captionOf(w);
        const QFont font = w->font();
        auto* label = qobject_cast<QLabel*>(w);
        lines << QStringList{w->objectName(),
                             parent == view.clientArea() ? QStringLiteral("client")
                                                         : parent->objectName(),
                             rectText(w->geometry()),
                             caption.isNull() ? QStringLiteral("-")
                                              : QLatin1Char('"') + caption + QLatin1Char('"'),
                             w->testAttribute(Qt::WA_SetFont) ? QStringLiteral("%1px%2")
                                                                    .arg(font.pixelSize())
                                                                    .arg(font.bold() ? " bold" : "")
                                                              : QStringLiteral("-"),
                             label ? alignmentText(label->alignment()) : QStringLiteral("-"),
                             label ? QString::number(label->frameWidth()) : QStringLiteral("-"),
                             w->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden")}
                     .join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

class TestMainView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitution(); }

    void layoutAsDesigned();
    void fontsAreTheSubstitute();
    void textsFitTheirControls_data();
    void textsFitTheirControls();
    void tabOrder();
    void firstShowCentresAndFocusesClose();
};

// Places (twips / 15), captions, fonts, alignment, borders and visibility of
// every control of the new window, against tests/gui/golden/layout.txt.
void TestMainView::layoutAsDesigned()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(corvane::test::matchesGolden(QStringLiteral("gui/golden/layout.txt"), layoutOf(view)));
}

// The family the screen really uses: the substitute, not a wider default.
void TestMainView::fontsAreTheSubstitute()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QSKIP("Liberation Sans is not installed");
    FormState form;
    MainView view(form);
    for (QWidget* w : controlsOf(view))
        if (w->testAttribute(Qt::WA_SetFont))
            QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Liberation Sans"));
}

void TestMainView::textsFitTheirControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    // The widest texts each label shows: they must not be clipped.
    QTest::newRow("Label1") << "Label1"
                            << "Controllo Versione Database";
    QTest::newRow("lblConnesso connected") << "lblConnesso"
                                           << "DB Connesso";
    QTest::newRow("lblConnesso not connected") << "lblConnesso"
                                               << "DB Non Connesso";
    QTest::newRow("Label3") << "Label3"
                            << "Versione DB Installata";
    QTest::newRow("Label4") << "Label4"
                            << "Ultima Versione DB";
    QTest::newRow("lblBDLocale none") << "lblBDLocale"
                                      << "Nessuna";
    QTest::newRow("Label2") << "Label2"
                            << "Controllo Versione Programma";
    QTest::newRow("Label8") << "Label8"
                            << "Versione Prog.  Installata";
    QTest::newRow("Label6") << "Label6"
                            << "Ultima Versione Prog.";
    QTest::newRow("lblVerProgDashmoor") << "lblVerProgDashmoor"
                                        << "2.0.15";
    QTest::newRow("Label5") << "Label5"
                            << "Aggiornamenti Automatici in Corso ...";
    QTest::newRow("lblinfo") << "lblinfo"
                             << "Connessione al Server 'DASHMOOR' in Corso!!!";
    QTest::newRow("lblEsito") << "lblEsito"
                              << "Aggiornamento Avvenuto con Successo !!";
}

void TestMainView::textsFitTheirControls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    FormState form;
    MainView view(form);
    auto* label = qobject_cast<QLabel*>(view.controlWidget(name));
    QVERIFY(label);
    label->setText(caption);
    const QRect room = label->contentsRect();
    const QFontMetrics fm(label->font());
    QVERIFY2(fm.horizontalAdvance(caption) <= room.width(),
             qPrintable(QStringLiteral("%1 px for %2 px")
                            .arg(fm.horizontalAdvance(caption))
                            .arg(room.width())));
    QVERIFY(fm.height() <= room.height());
}

void TestMainView::tabOrder()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.controlWidget(QStringLiteral("cmdClose"))->setFocus();
    const QStringList expected = {
        "FlexDb", "CommandAggiungiProvvigione", "Cmd", "cmdNuovaVer", "cmdInstallaLib", "cmdClose"};
    QStringList reached;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(reached, expected);
}

void TestMainView::firstShowCentresAndFocusesClose()
{
    FormState form;
    MainView view(form);
    QVERIFY(!view.isVisible());
    form.show();
    QVERIFY(view.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QCOMPARE(QApplication::focusWidget(), view.controlWidget(QStringLiteral("cmdClose")));
    const QRect screen = view.screen()->availableGeometry();
    // Within a pixel or two: QRect::center() rounds down on even sizes.
    const QPoint off = view.frameGeometry().center() - screen.center();
    QVERIFY2(qAbs(off.x()) <= 2 && qAbs(off.y()) <= 2,
             qPrintable(QStringLiteral("off by %1,%2").arg(off.x()).arg(off.y())));
}

QTEST_MAIN(TestMainView)
#include "test_mainview.moc"

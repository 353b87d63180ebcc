// The window's layout: places, texts, fonts, alignment, tab order and where
// it first appears.
#include "gui/formfont.h"
#include "gui/mainview.h"
#include "state/formstate.h"
#include "viewtesthelpers.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <QTest>

using namespace corvane;
using namespace corvane::gui;
using namespace corvane::gui::test;

class TestMainView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitution(); }

    void windowIsFixedClientArea();
    void geometry_data();
    void geometry();
    void initialTexts_data();
    void initialTexts();
    void fonts_data();
    void fonts();
    void textsFitTheirControls_data();
    void textsFitTheirControls();
    void alignment_data();
    void alignment();
    void initialVisibility();
    void tabOrder();
    void firstShowCentresAndFocusesClose();
};

void TestMainView::windowIsFixedClientArea()
{
    FormState form;
    MainView view(form);
    QCOMPARE(view.size(), QSize(591, 471));
    QCOMPARE(view.minimumSize(), QSize(591, 471));
    QCOMPARE(view.maximumSize(), QSize(591, 471));
    QCOMPARE(view.clientArea()->geometry(), QRect(0, 0, 591, 471));
}

void TestMainView::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    // Left, top, width, height of the layout in twips, divided by 15.
    QTest::newRow("Label1") << "Label1" << QRect(8, 8, 225, 25);
    QTest::newRow("lblConnesso") << "lblConnesso" << QRect(432, 8, 153, 17);
    QTest::newRow("Label3") << "Label3" << QRect(8, 32, 169, 25);
    QTest::newRow("lblBDLocale") << "lblBDLocale" << QRect(168, 32, 73, 25);
    QTest::newRow("Label4") << "Label4" << QRect(256, 32, 193, 25);
    QTest::newRow("lblDBDashmoor") << "lblDBDashmoor" << QRect(400, 32, 73, 25);
    QTest::newRow("PB1") << "PB1" << QRect(8, 48, 577, 25);
    QTest::newRow("FlexDb") << "FlexDb" << QRect(8, 72, 577, 241);
    QTest::newRow("FrameInfo") << "FrameInfo" << QRect(32, 112, 529, 73);
    QTest::newRow("lblinfo in FrameInfo") << "lblinfo" << QRect(8, 16, 513, 49);
    QTest::newRow("Frame1") << "Frame1" << QRect(32, 192, 529, 49);
    QTest::newRow("Label5 in Frame1") << "Label5" << QRect(8, 16, 513, 25);
    QTest::newRow("lblEsito") << "lblEsito" << QRect(8, 313, 577, 33);
    QTest::newRow("ListFile") << "ListFile" << QRect(536, 336, 33, 30);
    QTest::newRow("Label2") << "Label2" << QRect(8, 352, 225, 25);
    QTest::newRow("Label8") << "Label8" << QRect(8, 376, 185, 25);
    QTest::newRow("lblVerProgLocale") << "lblVerProgLocale" << QRect(192, 376, 73, 25);
    QTest::newRow("Label6") << "Label6" << QRect(280, 376, 193, 25);
    QTest::newRow("lblVerProgDashmoor") << "lblVerProgDashmoor" << QRect(440, 376, 73, 25);
    QTest::newRow("Line1: 2 px, 8..584 at y 400") << "Line1" << QRect(8, 399, 577, 2);
    QTest::newRow("CommandAggiungiProvvigione")
        << "CommandAggiungiProvvigione" << QRect(8, 416, 97, 49);
    QTest::newRow("Cmd") << "Cmd" << QRect(112, 416, 113, 49);
    QTest::newRow("cmdNuovaVer") << "cmdNuovaVer" << QRect(232, 416, 137, 49);
    QTest::newRow("cmdInstallaLib") << "cmdInstallaLib" << QRect(376, 416, 113, 49);
    QTest::newRow("cmdClose") << "cmdClose" << QRect(496, 416, 89, 49);
}

void TestMainView::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    FormState form;
    MainView view(form);
    QWidget* w = view.controlWidget(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), pixels);
    // Controls inside a frame are placed relative to it.
    const bool inFrame = name == QLatin1String("lblinfo") || name == QLatin1String("Label5");
    QCOMPARE(w->parentWidget() == view.clientArea(), !inFrame);
}

void TestMainView::initialTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << "Label1"
                            << "Controllo Versione Database";
    QTest::newRow("lblConnesso") << "lblConnesso"
                                 << "Connesso";
    QTest::newRow("Label3") << "Label3"
                            << "Versione DB Installata";
    QTest::newRow("lblBDLocale") << "lblBDLocale"
                                 << "9.9.9";
    QTest::newRow("Label4") << "Label4"
                            << "Ultima Versione DB";
    QTest::newRow("lblDBDashmoor") << "lblDBDashmoor"
                                   << "9.9.9";
    QTest::newRow("FrameInfo") << "FrameInfo"
                               << "INFO";
    QTest::newRow("lblinfo") << "lblinfo"
                             << "Label5";
    QTest::newRow("Frame1") << "Frame1"
                            << "INFO";
    QTest::newRow("Label5") << "Label5"
                            << "Aggiornamenti Automatici in Corso ...";
    QTest::newRow("lblEsito") << "lblEsito"
                              << "Label2";
    QTest::newRow("Label2") << "Label2"
                            << "Controllo Versione Programma";
    QTest::newRow("Label8 (two spaces)") << "Label8"
                                         << "Versione Prog.  Installata";
    QTest::newRow("lblVerProgLocale") << "lblVerProgLocale"
                                      << "9.9.9";
    QTest::newRow("Label6") << "Label6"
                            << "Ultima Versione Prog.";
    QTest::newRow("lblVerProgDashmoor") << "lblVerProgDashmoor"
                                        << "9.9.9";
    QTest::newRow("CommandAggiungiProvvigione (trailing space)") << "CommandAggiungiProvvigione"
                                                                 << "Controlla Database ";
    QTest::newRow("Cmd") << "Cmd"
                         << "Crea Tabelle o Campi Mancanti";
    QTest::newRow("cmdNuovaVer") << "cmdNuovaVer"
                                 << "Scarica Nuova Versione del Programma";
    QTest::newRow("cmdInstallaLib") << "cmdInstallaLib"
                                    << "Installa Librerie per Aggiornamenti";
    QTest::newRow("cmdClose") << "cmdClose"
                              << "Chiudi";
}

void TestMainView::initialTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    FormState form;
    MainView view(form);
    QCOMPARE(captionOf(view.controlWidget(name)), text);
    QCOMPARE(view.windowTitle(), QStringLiteral("Corvane Update"));
}

void TestMainView::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");
    // Points at 96 dpi: 9.75 -> 13, 8.25 -> 11, 13.5 -> 18, 18 -> 24.
    for (const char* label :
         {"Label1", "lblConnesso", "Label3", "lblBDLocale", "Label4", "lblDBDashmoor", "Label2",
          "Label8", "lblVerProgLocale", "Label6", "lblVerProgDashmoor"})
        QTest::newRow(label) << label << 13 << true;
    QTest::newRow("FlexDb") << "FlexDb" << 11 << false;
    QTest::newRow("FrameInfo") << "FrameInfo" << 11 << true;
    QTest::newRow("Frame1") << "Frame1" << 11 << true;
    QTest::newRow("lblinfo") << "lblinfo" << 18 << true;
    QTest::newRow("Label5") << "Label5" << 18 << true;
    QTest::newRow("lblEsito") << "lblEsito" << 24 << true;
}

void TestMainView::fonts()
{
    QFETCH(QString, name);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);
    FormState form;
    MainView view(form);
    const QFont font = view.controlWidget(name)->font();
    QCOMPARE(font.pixelSize(), pixelSize);
    QCOMPARE(font.bold(), bold);
    // The family the screen really uses: the substitute, not a wider default.
    const QString family = QFontInfo(font).family();
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QCOMPARE(family, QStringLiteral("Liberation Sans"));
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

void TestMainView::alignment_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("horizontal");
    QTest::newRow("Label1 left") << "Label1" << int(Qt::AlignLeft);
    QTest::newRow("lblConnesso right") << "lblConnesso" << int(Qt::AlignRight);
    QTest::newRow("lblBDLocale left") << "lblBDLocale" << int(Qt::AlignLeft);
    QTest::newRow("lblEsito centred") << "lblEsito" << int(Qt::AlignHCenter);
}

void TestMainView::alignment()
{
    QFETCH(QString, name);
    QFETCH(int, horizontal);
    FormState form;
    MainView view(form);
    auto* label = qobject_cast<QLabel*>(view.controlWidget(name));
    QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), horizontal);
}

void TestMainView::initialVisibility()
{
    FormState form;
    MainView view(form);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (const char* hidden : {"FrameInfo", "Frame1", "ListFile"})
        QVERIFY2(!view.controlWidget(QLatin1String(hidden))->isVisible(), hidden);
    for (const char* shown : {"FlexDb", "lblEsito", "PB1", "cmdClose", "Cmd", "Line1"})
        QVERIFY2(view.controlWidget(QLatin1String(shown))->isVisible(), shown);
    auto* border = qobject_cast<QLabel*>(view.controlWidget(QStringLiteral("lblEsito")));
    QVERIFY(border->frameWidth() > 0);
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

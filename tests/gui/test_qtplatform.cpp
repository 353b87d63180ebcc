// The Qt platform port: message boxes as shown and answered, the wait cursor,
// the event loop and launching programs.
#include "gui/qtplatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace corvane;
using namespace corvane::gui;

namespace {

struct ShownBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
};

// Waits for the modal box, notes what it shows, then presses a button (or
// Escape when button is NoButton).
void answerNextBox(ShownBox& shown, QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [&shown, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return answerNextBox(shown, button); // not up yet
        shown = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                 box->textFormat()};
        if (button == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(button)->click();
    });
}

} // namespace

class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void boxStyles_data();
    void boxStyles();
    void boxShownAndAnswered_data();
    void boxShownAndAnswered();
    void waitCursorNeedsOneRestore();
    void yieldRunsPendingEvents();
    void launch_data();
    void launch();
};

void TestQtPlatform::boxStyles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("0 OK") << 0 << int(QMessageBox::NoIcon) << int(QMessageBox::Ok);
    QTest::newRow("16 critical") << 16 << int(QMessageBox::Critical) << int(QMessageBox::Ok);
    QTest::newRow("36 question yes/no")
        << 36 << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("64 information") << 64 << int(QMessageBox::Information) << int(QMessageBox::Ok);
    QTest::newRow("48 exclamation") << 48 << int(QMessageBox::Warning) << int(QMessageBox::Ok);
    QTest::newRow("4 yes/no, no icon")
        << 4 << int(QMessageBox::NoIcon) << int(QMessageBox::Yes | QMessageBox::No);
    QTest::newRow("260 yes/no, second default")
        << 260 << int(QMessageBox::NoIcon) << int(QMessageBox::Yes | QMessageBox::No);
}

void TestQtPlatform::boxStyles()
{
    QFETCH(int, style);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QCOMPARE(int(QtPlatform::boxIcon(style)), icon);
    QCOMPARE(int(QtPlatform::boxButtons(style)), buttons);
}

void TestQtPlatform::boxShownAndAnswered_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("press");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<int>("answer");
    QTest::newRow("no title: the program's")
        << "Versione SQLDMO = 8.0"
        << "" << 0 << int(QMessageBox::Ok) << "Versione SQLDMO = 8.0"
        << "Corvane Update" << int(Answer::Ok);
    QTest::newRow("CR LF breaks lines") << "ERRORE !!\r\n\r\n-2147467259 -- Tabella inesistente"
                                        << "ATTENZIONE" << 16 << int(QMessageBox::Ok)
                                        << "ERRORE !!\n\n-2147467259 -- Tabella inesistente"
                                        << "ATTENZIONE" << int(Answer::Ok);
    QTest::newRow("markup-like text shown as is")
        << "SELECT * FROM t WHERE a <b> 1"
        << "Errore" << 16 << int(QMessageBox::Ok) << "SELECT * FROM t WHERE a <b> 1"
        << "Errore" << int(Answer::Ok);
    QTest::newRow("question, yes")
        << "Continuare ugualmente?"
        << "Attenzione" << 36 << int(QMessageBox::Yes) << "Continuare ugualmente?"
        << "Attenzione" << int(Answer::Yes);
    QTest::newRow("question, no") << "Continuare ugualmente?"
                                  << "Attenzione" << 36 << int(QMessageBox::No)
                                  << "Continuare ugualmente?"
                                  << "Attenzione" << int(Answer::No);
    QTest::newRow("question, escape is no")
        << "Continuare ugualmente?"
        << "Attenzione" << 36 << int(QMessageBox::NoButton) << "Continuare ugualmente?"
        << "Attenzione" << int(Answer::No);
}

void TestQtPlatform::boxShownAndAnswered()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, style);
    QFETCH(int, press);
    QFETCH(QString, shownText);
    QFETCH(QString, shownTitle);
    QFETCH(int, answer);
    QtPlatform platform;
    ShownBox shown;
    answerNextBox(shown, QMessageBox::StandardButton(press));
    const Answer given = platform.messageBox(text, title, style);
    QCOMPARE(int(given), answer);
    QCOMPARE(shown.text, shownText);
    QCOMPARE(shown.title, shownTitle);
    QCOMPARE(int(shown.icon), int(QtPlatform::boxIcon(style)));
    QCOMPARE(shown.buttons, QtPlatform::boxButtons(style));
    QCOMPARE(shown.format, Qt::PlainText);
}

void TestQtPlatform::waitCursorNeedsOneRestore()
{
    QtPlatform platform;
    QVERIFY(!QApplication::overrideCursor());
    platform.setMousePointer(pointer::Hourglass);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    // Operations nest: the hourglass twice, then the pointer back once.
    platform.setMousePointer(pointer::Hourglass);
    platform.setMousePointer(pointer::Icon);
    QVERIFY(!QApplication::overrideCursor());
    platform.setMousePointer(pointer::Icon); // nothing left to restore
    QVERIFY(!QApplication::overrideCursor());
}

void TestQtPlatform::yieldRunsPendingEvents()
{
    QtPlatform platform;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    platform.yield();
    QVERIFY(ran);
}

void TestQtPlatform::launch_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("program") << true;
    QTest::newRow("missing program") << false;
}

void TestQtPlatform::launch()
{
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("Corvane.exe"));
    const QString mark = dir.filePath(QStringLiteral("started"));
    if (exists) {
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QtPlatform platform;
    QCOMPARE(platform.launch(program), exists);
    if (exists) QTRY_VERIFY(QFile::exists(mark));
}

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"

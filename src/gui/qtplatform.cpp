#include "qtplatform.h"

#include "base/buildconfig.h"
#include "base/system.h"
#include "controlpainter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace corvane::gui {

namespace {
// The button and icon fields of a box style.
constexpr int kButtonsMask = 0x0F;
constexpr int kIconMask = 0xF0;
constexpr int kYesNo = 4;
constexpr int kYesNoCancel = 3;
constexpr int kOkCancel = 1;

// A box centred over the window, or over the screen where the window will
// open while it has not been shown yet (Qt would put it in a corner then).
class CentredBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QWidget* owner = parentWidget();
        QRect area;
        if (owner && owner->isVisible()) {
            area = owner->frameGeometry();
        } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            area = screen->availableGeometry();
        }
        if (area.isEmpty()) return;
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
};

} // namespace

QMessageBox::Icon QtPlatform::boxIcon(int style)
{
    switch (style & kIconMask) {
    case 16:
        return QMessageBox::Critical;
    case 32:
        return QMessageBox::Question;
    case 48:
        return QMessageBox::Warning;
    case 64:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons QtPlatform::boxButtons(int style)
{
    switch (style & kButtonsMask) {
    case kYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case kYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case kOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

Answer QtPlatform::answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
    case QMessageBox::Cancel:
    case QMessageBox::Escape:
        // Closing a question box is never a yes.
        return Answer::No;
    default:
        return Answer::Ok;
    }
}

Answer QtPlatform::messageBox(const QString& text, const QString& title, int style)
{
    CentredBox box(boxIcon(style), title.isEmpty() ? kApplicationTitle : title, displayText(text),
                   boxButtons(style), m_window.data());
    // Texts carry SQL and file names: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    return answerOf(clicked);
}

void QtPlatform::yield()
{
    if (m_sinceYield.isValid() && m_sinceYield.elapsed() < kYieldIntervalMs) return;
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

void QtPlatform::endProgram(int exitCode)
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

bool QtPlatform::launch(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (const auto started = sys::startProgram(path, folder)) return *started;
    return QProcess::startDetached(path, {}, folder);
}

bool QtPlatform::shellOpen(const QString& path, const QString& workingFolder)
{
    if (const auto opened = sys::shellOpen(path, workingFolder)) return *opened;
    // The desktop picks the folder of the program it starts.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtPlatform::setMousePointer(int pointerStyle)
{
    // One override at a time: repeated hourglasses need one restore only.
    const bool wait = pointerStyle == pointer::Hourglass;
    if (wait == m_waitCursor) return;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    m_waitCursor = wait;
}

QStringList QtPlatform::commandLine() const
{
    return QCoreApplication::arguments().mid(1);
}

QString QtPlatform::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

QVersionNumber QtPlatform::programVersion() const
{
    return QVersionNumber(build::versionMajor, build::versionMinor, build::versionPatch);
}

} // namespace corvane::gui

#pragma once

#include "state/platform.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>

class QWidget;

namespace corvane::gui {

// The platform port over Qt Widgets: message boxes, the event loop, the
// process and the desktop.
class QtPlatform : public PlatformPort
{
public:
    // Boxes are centred over this window once it exists.
    void setMainWindow(QWidget* window) { m_window = window; }

    Answer messageBox(const QString& text, const QString& title, int style) override;
    void yield() override;
    [[noreturn]] void endProgram(int exitCode) override;
    bool launch(const QString& path) override;
    bool shellOpen(const QString& path, const QString& workingFolder) override;
    void setMousePointer(int pointerStyle) override;
    QStringList commandLine() const override;
    QString programFolder() const override;
    QVersionNumber programVersion() const override;

    // How a box style shows: its icon and buttons. Other bits of the style
    // (default button, modality) change nothing here.
    static QMessageBox::Icon boxIcon(int style);
    static QMessageBox::StandardButtons boxButtons(int style);
    static Answer answerOf(QMessageBox::StandardButton button);

private:
    QPointer<QWidget> m_window;
    bool m_waitCursor = false;
    QElapsedTimer m_sinceYield;
};

} // namespace corvane::gui

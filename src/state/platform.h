#pragma once

#include <QString>
#include <QStringList>
#include <QVersionNumber>

namespace corvane {

// Message box styles: OK, OK + critical icon, Yes/No + question icon,
// OK + information icon.
namespace style {
inline constexpr int Ok = 0;
inline constexpr int Critical = 16;
inline constexpr int YesNoQuestion = 36;
inline constexpr int Information = 64;
} // namespace style

// Mouse pointer styles of the screen object.
namespace pointer {
inline constexpr int Icon = 4;
inline constexpr int Hourglass = 11;
} // namespace pointer

// A yield lets the event loop run at most once per this many milliseconds:
// long runs yield tens of thousands of times, and a pass every 5 ms keeps the
// window just as alive at a fraction of the cost.
inline constexpr int kYieldIntervalMs = 5;

// The title a box carries when it has none of its own.
inline const QString kApplicationTitle = QStringLiteral("Corvane Update");

enum class Answer { Ok, Yes, No };

// Everything the program asks of the desktop it runs on. Injected, never a
// global: the Qt window provides one, the tests a scripted double.
class PlatformPort
{
public:
    virtual ~PlatformPort() = default;

    // A modal box. An empty title means the application's title.
    virtual Answer messageBox(const QString& text, const QString& title, int style) = 0;
    // Let pending window events run (repaints, a due timer tick) and return.
    virtual void yield() = 0;
    // End the process at once; nothing is saved or closed first.
    [[noreturn]] virtual void endProgram(int exitCode) = 0;
    // Start a program in a normal, focused window. False when it could not start.
    virtual bool launch(const QString& path) = 0;
    // Hand a document to the desktop ("Open" verb).
    virtual bool shellOpen(const QString& path, const QString& workingFolder) = 0;
    virtual void setMousePointer(int pointerStyle) = 0;

    // The arguments of the command line, without the program path.
    virtual QStringList commandLine() const = 0;
    // The folder of the updater's own executable.
    virtual QString programFolder() const = 0;
    virtual QVersionNumber programVersion() const = 0;
};

} // namespace corvane

#pragma once

#include "state/eventlog.h"
#include "state/platform.h"

#include <cstdio>

namespace corvane {

class FormState;

// Exit status of a run: 0 when no critical box was shown, 1 when one was,
// 2 when the start-up sequence ended the program.
inline constexpr int kExitStartupEnded = 2;
inline constexpr int kExitCriticalShown = 1;

// The platform as a run sees it: every box, launch and end goes to the run
// log; in quiet mode no box is shown: each is answered (OK, or No to a
// question, so an up-to-date program is not fetched again) and written to
// standard output as one JSON line, and the end of the program writes the
// window's final state. Everything else is the inner platform's.
class RunPlatform : public PlatformPort
{
public:
    RunPlatform(PlatformPort& inner, EventLog& log, bool quiet, std::FILE* out = stdout);

    // The window whose state the end of a quiet run reports.
    void setForm(const FormState* form) { m_form = form; }
    bool quiet() const { return m_quiet; }
    // Exit status for a program ending with the given code.
    int exitStatus(int requested) const;

    Answer messageBox(const QString& text, const QString& title, int style) override;
    void yield() override { m_inner.yield(); }
    [[noreturn]] void endProgram(int exitCode) override;
    bool launch(const QString& path) override;
    bool shellOpen(const QString& path, const QString& workingFolder) override;
    void setMousePointer(int pointerStyle) override { m_inner.setMousePointer(pointerStyle); }
    QStringList commandLine() const override { return m_inner.commandLine(); }
    QString programFolder() const override { return m_inner.programFolder(); }
    QVersionNumber programVersion() const override { return m_inner.programVersion(); }

    // The JSON line of the end of a run, exposed for the tests.
    static QByteArray endEvent(int exitStatus, const FormState* form);

private:
    void writeLine(const QByteArray& json);

    PlatformPort& m_inner;
    EventLog& m_log;
    bool m_quiet;
    std::FILE* m_out;
    const FormState* m_form = nullptr;
    bool m_criticalShown = false;
};

// True when the command line asks for quiet mode ("/Q" anywhere, any case).
bool quietRequested(const QStringList& arguments);
// True when the command line asks for the automatic run ("/A" anywhere, any case).
bool automaticRequested(const QStringList& arguments);

} // namespace corvane

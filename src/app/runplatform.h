#pragma once

#include "runtally.h"
#include "state/platform.h"

#include <cstdio>

namespace corvane {

class FormState;
class RunLock;

// The platform as a run sees it: every box, launch and end goes to the run
// log; in quiet mode no box is shown: each is answered (OK, or No to a
// question, so an up-to-date program is not fetched again) and written to
// standard output as one JSON line, and the end of the program writes the
// window's final state with the run's report. Everything else is the inner
// platform's.
class RunPlatform : public PlatformPort
{
public:
    RunPlatform(PlatformPort& inner, RunTally& tally, bool quiet, std::FILE* out = stdout);
    ~RunPlatform() override;
    RunPlatform(const RunPlatform&) = delete;
    RunPlatform& operator=(const RunPlatform&) = delete;

    // The window whose state the end of a run reports.
    void setForm(const FormState* form) { m_form = form; }
    // The folder's run lock, let go when the program ends.
    void setRunLock(RunLock* lock) { m_lock = lock; }
    bool quiet() const { return m_quiet; }
    // Exit status for a program ending with the given code.
    int exitStatus(int requested) const { return m_tally.exitStatus(requested, m_form); }

    Answer messageBox(const QString& text, const QString& title, int style) override;
    void yield() override { m_inner.yield(); }
    [[noreturn]] void endProgram(int exitCode) override;
    bool launch(const QString& path) override;
    bool shellOpen(const QString& path, const QString& workingFolder) override;
    void setMousePointer(int pointerStyle) override { m_inner.setMousePointer(pointerStyle); }
    QStringList commandLine() const override { return m_inner.commandLine(); }
    QString programFolder() const override { return m_inner.programFolder(); }
    QVersionNumber programVersion() const override { return m_inner.programVersion(); }

    // The JSON object of the end of a run, exposed for the tests.
    QJsonObject endEvent(int exitStatus) const;

private:
    void writeLine(const QJsonObject& event);

    PlatformPort& m_inner;
    RunTally& m_tally;
    bool m_quiet;
    std::FILE* m_out;
    const FormState* m_form = nullptr;
    RunLock* m_lock = nullptr;
};

} // namespace corvane

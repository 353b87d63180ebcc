#pragma once

#include "state/context.h"
#include "state/formstate.h"

#include <QTimer>
#include <chrono>

namespace corvane {

class RunLock;

// The program's only window: its controls (FormState) and its handlers. The
// Qt view forwards clicks here; Timer1 ticks through a QTimer it owns.
class FormMain : public FormState
{
    Q_OBJECT
public:
    FormMain(GlobalState& g, PlatformPort& port, EventLog& log, QObject* parent = nullptr);

    Context& context() { return m_ctx; }

    // Handlers, under the program's names.
    void Form_Load();
    void CommandAggiungiProvvigione_Click();
    void Cmd_Click();
    void cmdNuovaVer_Click();
    void cmdInstallaLib_Click();
    void cmdClose_Click();
    void lblConnesso_Click();
    void Timer1_Timer();

    // Takes the program folder's run lock before the start-up sequence. While
    // another run holds it, lblinfo says so (a quiet run writes it as an
    // event); past `limit` a box says so and the program ends (status 2).
    void acquireRunLock(RunLock& lock, std::chrono::milliseconds limit);

private:
    // Ticks of Timer1 wait while this is alive.
    class Busy
    {
    public:
        explicit Busy(int& depth) : m_depth(depth) { ++m_depth; }
        ~Busy() { --m_depth; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        int& m_depth;
    };

    // The automatic run starts only once the start-up sequence has returned to
    // the event loop, so the running-program check always comes first.
    void loadFinished();
    void runStartupSequence();
    // A check-only run: the comparison (with its version checks), and in a
    // preview the schema update listing its statements; then the end.
    void runCheck(bool preview);

    Context m_ctx;
    QTimer m_timer;
    int m_loading = 0;
    bool m_tickPending = false;
};

} // namespace corvane

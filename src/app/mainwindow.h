#pragma once

#include "state/context.h"
#include "state/formstate.h"

#include <QTimer>

namespace corvane {

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

private:
    // The automatic run starts only once the start-up sequence has returned to
    // the event loop, so the running-program check always comes first.
    void loadFinished();
    void runStartupSequence();

    Context m_ctx;
    QTimer m_timer;
    int m_loading = 0;
    bool m_tickPending = false;
};

} // namespace corvane

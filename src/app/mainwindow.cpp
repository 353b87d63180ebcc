#include "mainwindow.h"

#include "base/error.h"
#include "ftpupdate/download.h"
#include "ftpupdate/installer.h"
#include "runlock.h"
#include "runtally.h"
#include "schema/comparison.h"
#include "schema/sqldmo.h"
#include "schema/updaterun.h"
#include "state/programfolder.h"
#include "switches.h"

#include <QDir>
#include <QElapsedTimer>

namespace corvane {

FormMain::FormMain(GlobalState& g, PlatformPort& port, EventLog& log, QObject* parent)
    : FormState(parent), m_ctx{*this, g, port, log}
{
    // Timer1 counts from the moment the window is created.
    m_timer.setInterval(Timer1.interval());
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_loading > 0) {
            m_tickPending = true;
            m_timer.stop();
            return;
        }
        Timer1_Timer();
    });
    connect(&Timer1, &Control::changed, this, [this] {
        if (!Timer1.enabled()) m_timer.stop();
    });
    if (Timer1.enabled()) m_timer.start();

    connect(&CommandAggiungiProvvigione, &Control::clicked, this,
            &FormMain::CommandAggiungiProvvigione_Click);
    connect(&Cmd, &Control::clicked, this, &FormMain::Cmd_Click);
    connect(&cmdNuovaVer, &Control::clicked, this, &FormMain::cmdNuovaVer_Click);
    connect(&cmdInstallaLib, &Control::clicked, this, &FormMain::cmdInstallaLib_Click);
    connect(&cmdClose, &Control::clicked, this, &FormMain::cmdClose_Click);
    connect(&lblConnesso, &Control::clicked, this, &FormMain::lblConnesso_Click);
    connect(this, &FormState::closeRequested, this, &FormMain::cmdClose_Click);
}

void FormMain::loadFinished()
{
    if (m_tickPending && Timer1.enabled()) {
        m_tickPending = false;
        QTimer::singleShot(0, this, [this] { Timer1_Timer(); });
    }
}

void FormMain::CommandAggiungiProvvigione_Click()
{
    const HalfScope half(m_ctx.log, RunHalf::Database);
    corvane::CommandAggiungiProvvigione_Click(m_ctx);
}

void FormMain::Cmd_Click()
{
    const HalfScope half(m_ctx.log, RunHalf::Database);
    corvane::Cmd_Click(m_ctx);
}

void FormMain::cmdNuovaVer_Click()
{
    const HalfScope half(m_ctx.log, RunHalf::Program);
    corvane::cmdNuovaVer_Click(m_ctx);
}

void FormMain::cmdInstallaLib_Click()
{
    const HalfScope half(m_ctx.log, RunHalf::Program);
    corvane::cmdInstallaLib_Click(m_ctx);
}

void FormMain::cmdClose_Click()
{
    m_ctx.port.endProgram(0);
}

void FormMain::lblConnesso_Click()
{
    // Without the component there is no version to show; the start-up
    // sequence still runs, since this label is the way to reconnect.
    try {
        const schema::Application& app = schema::application(m_ctx.g);
        m_ctx.port.messageBox(QStringLiteral("Versione SQLDMO = %1.%2")
                                  .arg(app.VersionMajor())
                                  .arg(app.VersionMinor()),
                              QString(), style::Ok);
    } catch (const Error&) {
    }
    Form_Load();
}

void FormMain::Timer1_Timer()
{
    Timer1.setEnabled(false);
    const RunSwitches switches = parseSwitches(m_ctx.port.commandLine());
    if (switches.checkOnly()) {
        runCheck(switches.previewRun());
        return;
    }
    if (!m_ctx.g.AutomaticMode) return;

    PlatformPort& port = m_ctx.port;
    CommandAggiungiProvvigione.setVisible(false);
    Cmd.setVisible(false);
    cmdNuovaVer.setVisible(false);
    Frame1.setVisible(true);
    Frame1.bringToFront();
    port.yield();
    CommandAggiungiProvvigione_Click();
    port.yield();
    cmdNuovaVer_Click();
    port.yield();
    Cmd_Click();
    port.yield();
    // A launch that fails is written to the run log by the platform; the
    // automatic run ends all the same.
    port.launch(resolveInFolder(port.programFolder(), QStringLiteral("Corvane.exe")));
    port.yield();
    port.endProgram(0);
}

void FormMain::runCheck(bool preview)
{
    PlatformPort& port = m_ctx.port;
    CommandAggiungiProvvigione_Click();
    port.yield();
    if (preview) {
        m_ctx.g.PreviewMode = true;
        Cmd_Click();
        port.yield();
    }
    port.endProgram(kExitUpToDate);
}

void FormMain::acquireRunLock(RunLock& lock, std::chrono::milliseconds limit)
{
    if (lock.tryLock(std::chrono::milliseconds(0))) return;
    const QString path = QDir::toNativeSeparators(lock.path());
    if (lock.unavailable()) {
        m_ctx.log.record(
            QStringLiteral("run lock %1 cannot be made: the run goes on without it").arg(path));
        return;
    }
    const Busy busy(m_loading);
    m_ctx.log.note(RunEvent::WaitingForOtherRun,
                   QStringLiteral("waiting for the run that holds %1").arg(path), path);
    setEnabled(false);
    show();
    FrameInfo.setVisible(true);
    FrameInfo.bringToFront();
    lblinfo.setCaption(QStringLiteral("Un Altro Aggiornamento è in Corso in Questa Cartella: "
                                      "Attendo che Finisca..."));
    m_ctx.port.yield();

    QElapsedTimer waited;
    waited.start();
    // Short waits between yields keep the window alive.
    constexpr std::chrono::milliseconds kStep{200};
    while (!lock.tryLock(kStep)) {
        m_ctx.port.yield();
        if (waited.elapsed() < limit.count()) continue;
        m_ctx.port.messageBox(
            QStringLiteral("Un Altro Aggiornamento è in Corso in Questa Cartella da Più di %1 "
                           "Minuti!!")
                    .arg(std::chrono::duration_cast<std::chrono::minutes>(limit).count()) +
                QStringLiteral("\r\n\r\nSe Nessun Aggiornamento è Aperto, Eliminare il File ") +
                path,
            QStringLiteral("Attenzione!"), style::Critical);
        m_ctx.port.endProgram(kExitStartupEnded);
    }
    m_ctx.log.record(QStringLiteral("run lock taken after %1 s").arg(waited.elapsed() / 1000.0));
    FrameInfo.setVisible(false);
}

} // namespace corvane

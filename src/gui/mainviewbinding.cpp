// Kept apart from the view so the view builds and is tested on the window
// state alone; only the program (and its tests) pull in the handlers.
#include "app/mainwindow.h"
#include "mainview.h"

#include <utility>

namespace corvane::gui {

void MainView::connectHandlers(FormMain& form)
{
    using Handler = void (FormMain::*)();
    static const std::pair<const char*, Handler> handlers[] = {
        {"CommandAggiungiProvvigione", &FormMain::CommandAggiungiProvvigione_Click},
        {"Cmd", &FormMain::Cmd_Click},
        {"cmdNuovaVer", &FormMain::cmdNuovaVer_Click},
        {"cmdInstallaLib", &FormMain::cmdInstallaLib_Click},
        {"cmdClose", &FormMain::cmdClose_Click},
        {"lblConnesso", &FormMain::lblConnesso_Click},
    };
    connect(this, &MainView::controlClicked, &form, [&form](const QString& name) {
        for (const auto& [control, handler] : handlers)
            if (name == QLatin1String(control)) return (form.*handler)();
    });
    connect(this, &MainView::closeRequested, &form, &FormMain::cmdClose_Click);
}

} // namespace corvane::gui

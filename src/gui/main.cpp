#include "app/mainwindow.h"
#include "app/runplatform.h"
#include "formfont.h"
#include "mainview.h"
#include "qtplatform.h"
#include "state/globals.h"
#include "state/runlog.h"

#include <QApplication>

namespace {

// "/Q" on a machine without a display: run on Qt's offscreen platform, since
// nothing is shown anyway.
void chooseOffscreenWhenHeadless(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool headless =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (corvane::quietRequested(arguments) && headless &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int main(int argc, char* argv[])
{
    chooseOffscreenWhenHeadless(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::kApplicationTitle);
    // Before the first widget: fonts are resolved when widgets are made.
    corvane::gui::installFontSubstitution();

    corvane::GlobalState globals;
    corvane::gui::QtPlatform platform;
    corvane::RunLog log(platform.programFolder());
    const bool quiet = corvane::quietRequested(platform.commandLine());
    corvane::RunPlatform port(platform, log, quiet);
    const bool automatic = corvane::automaticRequested(platform.commandLine());
    log.record(QStringLiteral("start, version %1, %2%3")
                   .arg(platform.programVersion().toString(),
                        automatic ? QStringLiteral("automatic") : QStringLiteral("interactive"),
                        quiet ? QStringLiteral(", quiet") : QString()));

    corvane::FormMain form(globals, port, log);
    port.setForm(&form);
    corvane::gui::MainView view(form);
    platform.setMainWindow(&view);

    // The window shows itself when the start-up sequence asks for it.
    form.Form_Load();
    return app.exec();
}

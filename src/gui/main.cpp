#include "app/mainwindow.h"
#include "app/qtmessages.h"
#include "app/runlock.h"
#include "app/runplatform.h"
#include "app/switches.h"
#include "base/buildconfig.h"
#include "base/system.h"
#include "console.h"
#include "formfont.h"
#include "mainview.h"
#include "publisherkey.h"
#include "qtplatform.h"
#include "qttranslation.h"
#include "state/globals.h"
#include "state/runlog.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --help and --version answer before any window or display is needed.
bool answeredWithoutRun(const corvane::RunSwitches& switches, const char* program)
{
    QString text;
    if (switches.help)
        text = corvane::usageText(QFileInfo(QString::fromLocal8Bit(program)).fileName());
    else if (switches.version)
        text = corvane::versionText(QVersionNumber(corvane::build::versionMajor,
                                                   corvane::build::versionMinor,
                                                   corvane::build::versionPatch));
    else
        return false;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    return true;
}

// "/Q" on a machine without a display: run on Qt's offscreen platform, since
// nothing is shown anyway.
void chooseOffscreenWhenHeadless(const corvane::RunSwitches& switches)
{
    if (switches.quiet && !corvane::sys::desktopAvailable() &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString modeName(const corvane::RunSwitches& switches)
{
    if (switches.previewRun()) return QStringLiteral("preview");
    if (switches.checkOnly()) return QStringLiteral("check only");
    return switches.automatic ? QStringLiteral("automatic") : QStringLiteral("interactive");
}

} // namespace

int main(int argc, char* argv[])
{
    corvane::gui::useParentConsole();
    const corvane::RunSwitches switches = corvane::parseSwitches(argumentsOf(argc, argv));
    if (answeredWithoutRun(switches, argv[0])) return 0;
    chooseOffscreenWhenHeadless(switches);
    // Before the application object: the platform plugin speaks up as it loads.
    if (switches.quiet) corvane::keepQtWarningsFromStderr();

    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::kApplicationTitle);
    corvane::gui::installItalianQtTranslation();
    // Before the first widget: fonts are resolved when widgets are made.
    corvane::gui::installFontSubstitution();

    corvane::GlobalState globals;
    globals.PublisherKey = corvane::gui::builtInPublisherKey();
    corvane::gui::QtPlatform platform;
    corvane::RunLog log(platform.programFolder());
    corvane::RunTally tally(log);
    if (switches.quiet) corvane::sendQtWarningsTo(tally);
    corvane::RunPlatform port(platform, tally, switches.quiet);
    tally.record(QStringLiteral("start, version %1, %2%3")
                     .arg(platform.programVersion().toString(), modeName(switches),
                          switches.quiet ? QStringLiteral(", quiet") : QString()));

    corvane::FormMain form(globals, port, tally);
    port.setForm(&form);
    corvane::gui::MainView view(form);
    platform.setMainWindow(&view);

    // One run at a time in a program folder: a second one waits its turn.
    corvane::RunLock lock(platform.programFolder());
    port.setRunLock(&lock);
    form.acquireRunLock(lock, corvane::kRunLockWait);

    // The window shows itself when the start-up sequence asks for it.
    form.Form_Load();
    app.exec();
    // The program ends through its handlers; should the event loop ever
    // return, the run still reports how it ended.
    port.endProgram(corvane::kExitUpToDate);
}

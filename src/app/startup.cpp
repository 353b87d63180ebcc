// The start-up sequence: settings, connections, version checks and the check
// that no copy of Corvane is running, before the window is handed to the user.
#include "base/buildconfig.h"
#include "base/error.h"
#include "base/paths.h"
#include "base/strings.h"
#include "base/system.h"
#include "confini.h"
#include "dbversion/dbversion.h"
#include "ftpupdate/versioncheck.h"
#include "mainwindow.h"
#include "runtally.h"
#include "state/programfolder.h"
#include "switches.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace corvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString referenceHost()
{
    const QByteArray fromEnvironment = qgetenv("CORVANE_REFERENCE_HOST");
    return fromEnvironment.isEmpty() ? QString::fromUtf8(build::referenceHost)
                                     : QString::fromUtf8(fromEnvironment);
}

void setReferenceSettings(GlobalState& g)
{
    g.ReferenceServer = referenceHost() + QStringLiteral(",1433");
    g.ReferenceUser = QStringLiteral("sa");
    g.ReferencePassword = QStringLiteral("Harbor42");
    g.ReferenceDatabase = QStringLiteral("Corvane");
    g.ReferenceConnectionString = QStringLiteral("Provider=SQLOLEDB;Data Source=") +
                                  g.ReferenceServer + QStringLiteral(";UID=") + g.ReferenceUser +
                                  QStringLiteral(";PWD=") + g.ReferencePassword +
                                  QStringLiteral(";DATABASE=") + g.ReferenceDatabase;
}

void setLocalSettings(GlobalState& g, const QStringList& lines)
{
    g.LocalServer = trimSpaces(lines.at(0));
    g.LocalUser = trimSpaces(lines.at(1));
    g.LocalPassword = trimSpaces(lines.at(2));
    g.LocalDatabase = trimSpaces(lines.at(4));
    g.LocalConnectionString = QStringLiteral("Provider=SQLOLEDB;Data Source=") + g.LocalServer +
                              QStringLiteral(";User ID=") + g.LocalUser + QStringLiteral(";PWD=") +
                              g.LocalPassword + QStringLiteral(";DATABASE=") + g.LocalDatabase;
}

Error fileError(long number, const std::filesystem::filesystem_error& e)
{
    return Error(number, QString::fromLocal8Bit(e.code().message()));
}

// Proves that Corvane.exe is not running from this folder: a running
// executable cannot be opened for writing (on Windows a sharing violation, on
// Linux ETXTBSY). The copy to Corvane_Temp2.exe still proves that the
// executable is there and the folder writable; unlike a copy back over
// Corvane.exe, opening it for writing without truncating can never damage it.
void checkCorvaneNotRunning(const QString& folder)
{
    namespace fs = std::filesystem;
    const fs::path exe = toFsPath(resolveInFolder(folder, QStringLiteral("corvane.exe")));
    const fs::path temp = toFsPath(resolveInFolder(folder, QStringLiteral("Corvane_Temp2.exe")));
    try {
        if (!fs::is_regular_file(exe))
            throw Error(errnum::FileNotFound, QStringLiteral("File not found: Corvane.exe"));
        fs::copy_file(exe, temp, fs::copy_options::overwrite_existing);
    } catch (const fs::filesystem_error& e) {
        throw fileError(errnum::PathFileAccess, e);
    }
    QString reason;
    if (sys::executableInUse(fromFsPath(exe), &reason))
        throw Error(errnum::PermissionDenied, reason);
    std::error_code ec;
    if (!fs::remove(temp, ec) || ec)
        throw Error(errnum::PathFileAccess, QString::fromLocal8Bit(ec.message()));
}

} // namespace

void FormMain::Form_Load()
{
    {
        const Busy loading(m_loading);
        runStartupSequence();
    }
    loadFinished();
}

void FormMain::runStartupSequence()
{
    Context& ctx = m_ctx;
    GlobalState& g = ctx.g;
    int line = 0;
    try {
        setEnabled(false);
        g.AutomaticMode = false;
        if (automaticRequested(ctx.port.commandLine())) g.AutomaticMode = true;
        const QVersionNumber v = ctx.port.programVersion();
        setTitle(QStringLiteral("Corvane Update (Ver.%1.%2.%3)")
                     .arg(v.majorVersion())
                     .arg(v.minorVersion())
                     .arg(v.microVersion()));
        setReferenceSettings(g);
        FrameInfo.setVisible(false);
        lblEsito.setCaption(QString());

        line = 12;
        g.LocalConnection = std::make_unique<db::Connection>();
        lblConnesso.setCaption(QStringLiteral("DB Non Connesso"));
        lblConnesso.setForeColour(colour::Red);

        line = 14;
        QFile confIni(resolveInFolder(ctx.port.programFolder(), QStringLiteral("conf.ini")));
        // The description names the file looked for: the first thing to check.
        const QString shownPath = QDir::toNativeSeparators(confIni.fileName());
        if (!QFileInfo(confIni.fileName()).isFile())
            throw Error(errnum::FileNotFound,
                        qt_error_string(ENOENT) + QStringLiteral(": ") + shownPath);
        line = 15;
        if (!confIni.open(QIODevice::ReadOnly))
            throw Error(errnum::PathFileAccess,
                        confIni.errorString() + QStringLiteral(": ") + shownPath);
        line = 16;
        const QStringList lines = readSettingLines(confIni, 5);
        confIni.close();
        for (const int used : {0, 1, 2, 4})
            checkSettingLine(lines.at(used), used + 1, shownPath);
        setLocalSettings(g, lines);

        show();
        FrameInfo.setVisible(true);
        FrameInfo.bringToFront();
        lblinfo.setCaption(QStringLiteral("Connessione al Server 'DASHMOOR' in Corso!!!"));
        ctx.port.yield();
        g.newWorkRecordset();
        g.LocalConnection->Open(g.LocalConnectionString);

        line = 55;
        try {
            g.ReferenceConnection = std::make_unique<db::Connection>();
            g.ReferenceConnection->Open(g.ReferenceConnectionString);
        } catch (const Error&) {
            ctx.port.messageBox(QStringLiteral("Errore Durante la Connessione al Server DASHMOOR"),
                                QStringLiteral("Attenzione!"), style::Critical);
        }

        line = 66;
        const bool bothOpen = g.LocalConnection->State() == db::adStateOpen &&
                              g.ReferenceConnection &&
                              g.ReferenceConnection->State() == db::adStateOpen;
        if (bothOpen) {
            lblConnesso.setCaption(QStringLiteral("DB Connesso"));
            lblConnesso.setForeColour(colour::ConnectedGreen);
        } else {
            lblConnesso.setCaption(QStringLiteral("DB Non Connesso"));
            lblConnesso.setForeColour(colour::Red);
            if (g.AutomaticMode) {
                ctx.port.messageBox(QStringLiteral("Impossibile Collegarsi al Server Dashmoor!!"),
                                    QStringLiteral("Attenzione!"), style::Critical);
                ctx.port.endProgram(kExitStartupEnded);
            }
        }
        lblinfo.setCaption(QStringLiteral("Controllo Versione DataBase"));
        ctx.port.yield();
        CheckDatabaseVersion(ctx);
        lblinfo.setCaption(QStringLiteral("Controllo Versione EXE del Programma"));
        ctx.port.yield();
        ControllaVersioneProgramma(ctx);

        line = 78;
        // A copy of Corvane in use holds up the program half of the update.
        const HalfScope programHalf(ctx.log, RunHalf::Program);
        try {
            checkCorvaneNotRunning(ctx.port.programFolder());
        } catch (const Error&) {
            ctx.port.messageBox(
                QStringLiteral("C'è Corvane Aperto in Qualche Terminale!!") + kCrLf + kCrLf +
                    QStringLiteral(
                        "Chiudere Tutti Gli Corvane Prima di Continuare con l'aggiornamento!!"),
                QStringLiteral("Attenzione!!"), style::Critical);
            ctx.port.endProgram(kExitStartupEnded);
        }

        line = 79;
        FrameInfo.setVisible(false);
        setEnabled(true);
    } catch (const Error& e) {
        ctx.port.messageBox(QStringLiteral("Errore di comunicazione con il database") + kCrLf +
                                e.description() + kCrLf + QString::number(line) + kCrLf +
                                QString::number(e.number()),
                            QStringLiteral("Errore"), style::Critical);
        ctx.port.endProgram(kExitStartupEnded);
    }
}

} // namespace corvane

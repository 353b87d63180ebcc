#include "versioncheck.h"

#include "base/error.h"
#include "ftpsteps.h"
#include "localfiles.h"
#include "pereader.h"
#include "state/context.h"
#include "state/programfolder.h"
#include "texts.h"
#include "versiontext.h"

#include <QFile>

namespace corvane {

namespace {

// Fetches every listed name; true when at least one file arrived.
bool fetchListed(Context& ctx, UpdateServerSession& session)
{
    ListBoxControl& list = ctx.form.ListFile;
    const QString folder = ctx.port.programFolder();
    bool fetched = false;
    for (int i = 0; i < list.listCount(); ++i) {
        list.setListIndex(i);
        const QString name = list.list(i);
        fetched = ScaricaFileFtp(ctx, *session.ftp, remotePathOf(session.currentDirectory, name),
                                 folder + QLatin1Char('/') + name) ||
                  fetched;
    }
    return fetched;
}

QString publishedVersion(const QString& folder)
{
    QFile file(resolveInFolder(folder, ftptext::VersionFile));
    if (!file.open(QIODevice::ReadOnly)) throw Error(errnum::FileNotFound, file.errorString());
    const QByteArray content = file.readAll();
    if (content.isEmpty()) {
        throw Error(errnum::InputPastEndOfFile,
                    QStringLiteral("%1 is empty").arg(ftptext::VersionFile));
    }
    return firstLine(content);
}

void showLocalVersion(Context& ctx)
{
    Control& local = ctx.form.lblVerProgLocale;
    local.setCaption(ftptext::None);
    const QString exe = resolveInFolder(ctx.port.programFolder(), ftptext::LocalExe);
    local.setCaption(LeggiVersioneFile(ctx.port, exe).VersioneFile);
    const std::optional<QString> shortened = shortenVersion(local.caption());
    if (!shortened) {
        throw Error(errnum::InvalidPropertyValue,
                    QStringLiteral("The version of %1 cannot be read").arg(ftptext::LocalExe));
    }
    local.setCaption(*shortened);
}

void colourVersions(Context& ctx)
{
    const QString published = trimBlanks(ctx.form.lblVerProgDashmoor.caption());
    const QString local = trimBlanks(ctx.form.lblVerProgLocale.caption());
    const int colour = (published == local && local != ftptext::None) ? colour::Green : colour::Red;
    ctx.form.lblVerProgDashmoor.setForeColour(colour);
    ctx.form.lblVerProgLocale.setForeColour(colour);
}

} // namespace

void ControllaVersioneProgramma(Context& ctx)
{
    const HalfScope half(ctx.log, RunHalf::Program);
    try {
        ctx.form.lblVerProgDashmoor.setCaption(ftptext::None);
        ctx.form.ListFile.clear();
        std::optional<UpdateServerSession> session = ApriSessioneFtp(ctx);
        if (!session) return;

        const int count =
            ElencaCartellaFtp(ctx, *session->ftp, session->currentDirectory,
                              [](const QString& name) { return name == ftptext::VersionFile; });
        if (count == 0) {
            ctx.port.messageBox(ftptext::NoUpdates, ftptext::NoUpdatesTitle, style::Information);
            return;
        }
        // Never a copy left by an earlier run: the file must arrive now.
        if (!fetchListed(ctx, *session)) {
            throw Error(errnum::FileNotFound,
                        QStringLiteral("%1 was not fetched from the update server")
                            .arg(ftptext::VersionFile));
        }
        ctx.form.lblVerProgDashmoor.setCaption(publishedVersion(ctx.port.programFolder()));
        showLocalVersion(ctx);
        colourVersions(ctx);
    } catch (const Error& e) {
        ctx.log.record(QStringLiteral("Program version check failed: %1 %2")
                           .arg(e.number())
                           .arg(e.description()));
        ctx.port.messageBox(ftptext::FtpError, ftptext::FtpErrorTitle, style::Critical);
    }
}

} // namespace corvane

#include "download.h"

#include "base/error.h"
#include "downloadplan.h"
#include "ftpsteps.h"
#include "localfiles.h"
#include "publishedfiles.h"
#include "state/context.h"
#include "texts.h"
#include "versioncheck.h"

#include <limits>

namespace corvane {

namespace {

// Every way out of the run after the window was disabled comes through here.
class Finish
{
public:
    explicit Finish(FormState& form) : m_form(form) {}
    ~Finish()
    {
        m_form.FrameInfo.setVisible(false);
        m_form.setEnabled(true);
    }
    Finish(const Finish&) = delete;
    Finish& operator=(const Finish&) = delete;

private:
    FormState& m_form;
};

// PB1 counts the bytes of the file arriving: in KiB (or larger units) past
// what the bar's int holds. A size the server did not announce shows as busy.
void showFileProgress(ProgressBarControl& bar, qint64 received, qint64 total)
{
    int shift = 0;
    while ((qMax(total, received) >> shift) > std::numeric_limits<int>::max())
        shift += 10;
    bar.setMin(0);
    bar.setMax(total < 0 ? 0 : int(total >> shift));
    bar.setValue(total < 0 ? 0 : int(received >> shift));
}

void fetchListed(Context& ctx, UpdateServerSession& session, const PublishedFiles& published)
{
    session.ftp->setProgress(
        [&ctx](qint64 received, qint64 total) { showFileProgress(ctx.form.PB1, received, total); });
    ListBoxControl& list = ctx.form.ListFile;
    const QString folder = ctx.port.programFolder();
    const int n = list.listCount();
    for (int j = 1; j <= n; ++j) {
        const QString listed = list.list(j - 1);
        const QString local = localNameFor(listed);
        ctx.form.lblinfo.setCaption(ftptext::FetchingCaption +
                                    QStringLiteral("%1/%2) \r\n").arg(j).arg(n) + local);
        showFileProgress(ctx.form.PB1, 0, -1); // busy until the server gives the size
        ctx.port.yield();
        list.setListIndex(j - 1);
        ScaricaFileFtp(
            ctx, *session.ftp, remotePathOf(session.currentDirectory, listed),
            folder + QLatin1Char('/') + local,
            [&](qint64 size, const QByteArray& sha256) { published.check(listed, size, sha256); });
    }
}

// Part files of runs killed in mid-transfer would otherwise stay for good.
void removeLeftovers(Context& ctx)
{
    for (const QString& name : removeLeftoverParts(ctx.port.programFolder()))
        ctx.log.record(QStringLiteral("Removed the partial file %1 of an earlier run").arg(name));
}

void replaceStep(Context& ctx)
{
    try {
        replaceExecutable(ctx.port.programFolder());
        ctx.log.note(RunEvent::ExecutableReplaced,
                     QStringLiteral("Corvane.exe replaced by the fetched copy"));
    } catch (const Error& e) {
        ctx.log.record(QStringLiteral("Corvane.exe not replaced: ") + e.description());
        ctx.port.messageBox(ftptext::ExecutableInUse + QStringLiteral("\r\n\r\n") + e.description(),
                            ftptext::ExecutableInUseTitle, style::Critical);
    }
}

} // namespace

void ScaricaNuovaVersione(Context& ctx)
{
    const HalfScope half(ctx.log, RunHalf::Program);
    FormState& form = ctx.form;
    if (form.lblVerProgDashmoor.caption() == form.lblVerProgLocale.caption() &&
        ctx.port.messageBox(ftptext::AlreadyUpToDate, ftptext::AlreadyUpToDateTitle,
                            style::YesNoQuestion) != Answer::Yes) {
        return;
    }
    form.setEnabled(false);
    Finish finish(form);
    form.lblinfo.setCaption(ftptext::CheckingCaption);
    form.FrameInfo.setVisible(true);
    form.FrameInfo.bringToFront();
    ctx.port.yield();
    try {
        removeLeftovers(ctx);
        form.ListFile.clear();
        std::optional<UpdateServerSession> session = ApriSessioneFtp(ctx);
        if (!session) return;
        const QString folder = ctx.port.programFolder();
        bool manifestListed = false;
        bool signatureListed = false;
        const int count = ElencaCartellaFtp(
            ctx, *session->ftp, session->currentDirectory, [&](const QString& name) {
                manifestListed = manifestListed || name == ftptext::Manifest;
                signatureListed = signatureListed || name == ftptext::ManifestSignature;
                return acceptedForDownload(name, folder);
            });
        if (count == 0) {
            ctx.port.messageBox(ftptext::NoUpdates, ftptext::NoUpdatesTitle, style::Information);
            return;
        }
        const PublishedFiles published =
            PublishedFiles::load(ctx, *session->ftp, session->currentDirectory, manifestListed,
                                 signatureListed, ctx.g.PublisherKey);
        fetchListed(ctx, *session, published);
        session.reset();
        replaceStep(ctx);
        ControllaVersioneProgramma(ctx);
    } catch (const UpdateRefused& refused) {
        // Corvane.exe stays as it was: the swap comes only after every file passed.
        ctx.log.record(
            QStringLiteral("Update refused: %1 %2").arg(refused.headline, refused.reason));
        ctx.port.messageBox(ftptext::Refused + refused.headline + QStringLiteral("\r\n\r\n") +
                                refused.reason,
                            ftptext::RefusedTitle, style::Critical);
    } catch (const Error& e) {
        ctx.log.record(
            QStringLiteral("Download run failed: %1 %2").arg(e.number()).arg(e.description()));
        ctx.port.messageBox(ftptext::FtpError, ftptext::FtpErrorTitle, style::Critical);
        ctx.port.messageBox(e.description(), QString(), style::Ok);
    }
}

void cmdNuovaVer_Click(Context& ctx)
{
    ctx.form.lblinfo.setCaption(ftptext::DownloadCaption);
    ctx.port.yield();
    ctx.port.setMousePointer(pointer::Hourglass);
    ctx.form.lblinfo.setVisible(true);
    ctx.form.lblinfo.bringToFront();
    ctx.port.yield();
    ScaricaNuovaVersione(ctx);
    ctx.port.yield();
    ctx.form.lblinfo.setVisible(false);
    ctx.port.yield();
    ctx.port.setMousePointer(pointer::Icon);
}

} // namespace corvane

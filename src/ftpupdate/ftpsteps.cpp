#include "ftpsteps.h"

#include "base/error.h"
#include "localfiles.h"
#include "state/context.h"
#include "texts.h"

#include <QFileInfo>
#include <QTemporaryFile>

namespace corvane {

std::optional<UpdateServerSession> ApriSessioneFtp(Context& ctx)
{
    UpdateServerSession session;
    const FtpSettings settings = FtpSettings::updateServer();
    session.ftp = std::make_unique<FtpSession>(ctx.port, settings);
    ctx.port.yield();
    const FtpSession::Login login = session.ftp->login();
    ctx.port.yield();
    if (login == FtpSession::Login::NoInternet) {
        ctx.log.record(QStringLiteral("FTP: no session: ") + session.ftp->lastError());
        ctx.port.messageBox(ftptext::NoInternet, ftptext::NoInternetTitle, style::Critical);
        return std::nullopt;
    }
    if (login == FtpSession::Login::NotReachable) {
        ctx.log.record(QStringLiteral("FTP: no connection: ") + session.ftp->lastError());
        ctx.port.messageBox(ftptext::ServerNotFound, ftptext::ServerNotFoundTitle, style::Critical);
        return std::nullopt;
    }
    session.currentDirectory = session.ftp->changeFolder(settings.folder).trimmed();
    return session;
}

int ElencaCartellaFtp(Context& ctx, FtpSession& ftp, const QString& currentDirectory,
                      const std::function<bool(const QString&)>& accept)
{
    const std::optional<QStringList> names = ftp.listNames(currentDirectory);
    if (!names) return 0;
    int count = 0;
    for (const QString& name : *names) {
        if (count == kMaxListedEntries) {
            throw Error(9, QStringLiteral("The update folder lists more than %1 entries")
                               .arg(kMaxListedEntries));
        }
        if (accept(name)) ctx.form.ListFile.addItem(name);
        ++count;
    }
    return count;
}

QString remotePathOf(const QString& currentDirectory, const QString& name)
{
    return currentDirectory + QLatin1Char('/') + name;
}

namespace {

// The new file gets the permissions of the one it replaces.
void copyPermissions(const QString& from, QTemporaryFile& to)
{
    if (QFileInfo::exists(from)) {
        to.setPermissions(QFile::permissions(from));
    } else {
        to.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                          QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    }
}

} // namespace

bool ScaricaFileFtp(Context& ctx, FtpSession& ftp, const QString& remotePath,
                    const QString& localPath)
{
    const QString target = resolvePath(localPath);
    const QFileInfo info(target);
    // Received into a hidden file beside the target: only a complete copy
    // ever takes the target's name.
    QTemporaryFile part(info.path() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX.part"));
    if (!part.open()) throw Error(errnum::PathFileAccess, part.errorString());
    if (ftp.fetch(remotePath, part) == FtpSession::Fetch::Refused) {
        ctx.log.record(QStringLiteral("FTP: refused %1").arg(remotePath));
        return false;
    }
    if (!part.flush()) throw Error(errnum::PathFileAccess, part.errorString());
    const qint64 size = part.size();
    copyPermissions(target, part);
    part.close();
    renameOver(part.fileName(), target);
    part.setAutoRemove(false);
    ctx.log.note(
        RunEvent::FileFetched,
        QStringLiteral("FTP: fetched %1 as %2, %3 bytes").arg(remotePath, target).arg(size),
        remotePath.section(QLatin1Char('/'), -1), size);
    return true;
}

} // namespace corvane

#include "ftpsteps.h"

#include "base/error.h"
#include "localfiles.h"
#include "sha256.h"
#include "state/context.h"
#include "texts.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace corvane {

namespace {

void reportOpening(Context& ctx, const FtpSession& ftp)
{
    if (ftp.usesTls())
        ctx.log.record(QStringLiteral("FTP: TLS in use"));
    else if (!ftp.tlsFallback().isEmpty())
        ctx.log.record(QStringLiteral("FTP: plain text, TLS not used: ") + ftp.tlsFallback());
}

// Writes to the part file and tells the hash how far the file has grown.
class HashingWriter : public QIODevice
{
public:
    HashingWriter(QFileDevice& file, WrittenFileSha256& hash) : m_file(file), m_hash(hash)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 written = m_file.write(data, size);
        if (written > 0) m_hash.written(m_total += written);
        if (written < 0) setErrorString(m_file.errorString());
        return written;
    }

private:
    QFileDevice& m_file;
    WrittenFileSha256& m_hash;
    qint64 m_total = 0;
};

// Written without Qt's buffer: flushing that buffer onto a filling disk fails
// with "Unknown error", while a direct write reports the system's reason.
class PartFile : public QTemporaryFile
{
public:
    using QTemporaryFile::QTemporaryFile;
    bool openUnbuffered() { return open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
};

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
        const QString tls = session.ftp->tlsFallback();
        ctx.log.record(
            QStringLiteral("FTP: no connection: ") + session.ftp->lastError() +
            (tls.isEmpty() ? QString() : QStringLiteral(" (TLS not used: ") + tls + u')'));
        ctx.port.messageBox(ftptext::ServerNotFound, ftptext::ServerNotFoundTitle, style::Critical);
        return std::nullopt;
    }
    if (login == FtpSession::Login::TlsRefused) {
        ctx.log.record(QStringLiteral("FTP: no protected connection (FTPS %1): %2")
                           .arg(ftpsModeText(settings.ftps), session.ftp->lastError()));
        ctx.port.messageBox(ftptext::NoSecureConnection + QStringLiteral("\r\n\r\n") +
                                session.ftp->lastError(),
                            ftptext::NoSecureConnectionTitle, style::Critical);
        return std::nullopt;
    }
    reportOpening(ctx, *session.ftp);
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

bool ScaricaFileFtp(Context& ctx, FtpSession& ftp, const QString& remotePath,
                    const QString& localPath, const FetchedFileCheck& check)
{
    const QString target = resolvePath(localPath);
    QString received;
    qint64 size = 0;
    QByteArray sha256;
    {
        // A short name whatever the published one: a name near the system's
        // limit must still leave room for the part file's.
        PartFile part(partFileTemplate(QFileInfo(target).path()));
        if (!part.openUnbuffered()) throw Error(errnum::PathFileAccess, part.errorString());
        WrittenFileSha256 hash(part, [&ctx] { ctx.port.yield(); });
        HashingWriter writer(part, hash);
        if (ftp.fetch(remotePath, writer) == FtpSession::Fetch::Refused) {
            ctx.log.record(QStringLiteral("FTP: refused %1").arg(remotePath));
            return false;
        }
        if (!part.flush()) throw Error(errnum::PathFileAccess, part.errorString());
        size = part.size();
        sha256 = hash.result();
        if (check) check(size, sha256);
        copyPermissions(target, part);
        received = part.fileName();
        part.setAutoRemove(false);
    }
    // Renamed only once the part file's object is gone: QTemporaryFile::close()
    // keeps the file open, and Windows renames no open file.
    try {
        renameOver(received, target);
    } catch (const Error&) {
        QFile::remove(received);
        throw;
    }
    ctx.log.note(RunEvent::FileFetched,
                 QStringLiteral("FTP: fetched %1 as %2, %3 bytes, SHA-256 %4")
                     .arg(remotePath, target)
                     .arg(size)
                     .arg(QString::fromLatin1(sha256.toHex())),
                 remotePath.section(QLatin1Char('/'), -1), size);
    return true;
}

} // namespace corvane

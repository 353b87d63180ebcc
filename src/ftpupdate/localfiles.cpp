#include "localfiles.h"

#include "base/error.h"
#include "base/paths.h"
#include "state/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace corvane {

QString resolvePath(const QString& path)
{
    const QFileInfo info(path);
    return resolveInFolder(info.path(), info.fileName());
}

void syncFile(const QString& path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        throw Error(errnum::PathFileAccess, QString::fromLocal8Bit(std::strerror(err)));
    }
    ::close(fd);
#endif
}

void syncFolder(const QString& folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
#else
    // Some file systems refuse fsync on a folder; the rename is done either way.
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#endif
}

void renameOver(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(toFsPath(from), toFsPath(to), ec);
    if (ec) throw Error(errnum::PathFileAccess, QString::fromLocal8Bit(ec.message().c_str()));
}

QString partFileTemplate(const QString& folder)
{
    return folder + QStringLiteral("/.corvane-XXXXXX.part");
}

QStringList removeLeftoverParts(const QString& folder)
{
    // QTemporaryFile replaces the six X with letters and digits.
    static const QRegularExpression ours(QStringLiteral("^\\.corvane-[A-Za-z0-9]{6}\\.part$"));
    static const QRegularExpression earlier(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}\\.part$"));
    QStringList removed;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(toFsPath(folder), ec)) {
        const QString name = fromFsPath(entry.path().filename());
        if (!entry.is_regular_file(ec) ||
            !(ours.match(name).hasMatch() || earlier.match(name).hasMatch()))
            continue;
        if (std::filesystem::remove(entry.path(), ec)) removed << name;
    }
    return removed;
}

} // namespace corvane

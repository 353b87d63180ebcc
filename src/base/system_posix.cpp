#include "error.h"
#include "paths.h"
#include "system.h"

#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::sys {

namespace {

Error systemError(long number, int err)
{
    return Error(number, QString::fromLocal8Bit(std::strerror(err)));
}

} // namespace

bool executableInUse(const QString& path, QString* reason)
{
    // Writing is refused with ETXTBSY while a process runs the file; opening
    // without O_TRUNC never changes it.
    const int fd = ::open(toFsPath(path).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    const int err = errno;
    if (err == ETXTBSY) {
        if (reason) *reason = QString::fromLocal8Bit(std::strerror(err));
        return true;
    }
    throw systemError(errnum::PermissionDenied, err);
}

void syncFile(const QString& path)
{
    const int fd = ::open(toFsPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        throw systemError(errnum::PathFileAccess, err);
    }
    ::close(fd);
}

void syncFolder(const QString& folder)
{
    // Some file systems refuse fsync on a folder; the rename is done either way.
    const int fd = ::open(toFsPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void replaceFile(const QString& from, const QString& to)
{
    if (::rename(toFsPath(from).c_str(), toFsPath(to).c_str()) != 0)
        throw systemError(errnum::PathFileAccess, errno);
    syncFolder(fromFsPath(toFsPath(to).parent_path()));
}

bool isWindows64Bit()
{
    // Not Windows: a 64-bit processor stands for the 64-bit system.
    return QSysInfo::currentCpuArchitecture().endsWith(QLatin1String("64"));
}

std::optional<bool> startProgram(const QString&, const QString&)
{
    return std::nullopt;
}

std::optional<bool> shellOpen(const QString&, const QString&)
{
    return std::nullopt;
}

bool attachParentConsole()
{
    return false;
}

bool desktopAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString defaultOdbcDriver()
{
    return QStringLiteral("FreeTDS");
}

} // namespace corvane::sys

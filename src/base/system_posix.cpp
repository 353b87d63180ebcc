#include "error.h"
#include "paths.h"
#include "system.h"

#include <QFileDevice>
#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
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

struct FileReadBack::Native
{
    int fd = -1;
    qint64 pageSize = 4096;
};

FileReadBack::FileReadBack(QFileDevice& file) : m_native(std::make_unique<Native>())
{
    m_native->fd = file.handle();
    m_native->pageSize = ::sysconf(_SC_PAGESIZE);
    if (m_native->fd < 0) throw Error(errnum::PathFileAccess, QStringLiteral("File not open"));
}

FileReadBack::~FileReadBack() = default;

void FileReadBack::read(qint64 offset, qint64 size,
                        const std::function<void(const char*, qint64)>& visit)
{
    if (size <= 0) return;
    const qint64 start = offset - offset % m_native->pageSize;
    const size_t length = static_cast<size_t>(offset - start + size);
    int flags = MAP_SHARED;
#ifdef MAP_POPULATE
    flags |= MAP_POPULATE; // one walk through the cache instead of a fault per page
#endif
    void* view = ::mmap(nullptr, length, PROT_READ, flags, m_native->fd, static_cast<off_t>(start));
    if (view == MAP_FAILED) throw systemError(errnum::PathFileAccess, errno);
    struct Unmap
    {
        void* view;
        size_t length;
        ~Unmap() { ::munmap(view, length); }
    } unmap{view, length};
    visit(static_cast<const char*>(view) + (offset - start), size);
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

#include "appendfile.h"
#include "base/paths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

bool appendToRegularFile(const QString& path, const QByteArray& bytes)
{
    // Non-blocking: opening a FIFO for writing would otherwise wait for a reader.
    const int fd = ::open(toFsPath(path).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat st = {};
    bool written = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    qsizetype done = 0;
    while (written && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            written = false;
        else
            done += n;
    }
    ::close(fd);
    return written;
}

} // namespace corvane

#include "testplatform.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::test {

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

bool supportsFifos()
{
    return true;
}

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool isFifo(const QString& path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

int endProgramsStartedFrom(const QString&)
{
    return 0;
}

bool underWine()
{
    return false;
}

QString hostPath(const QString& path)
{
    return path;
}

} // namespace corvane::test

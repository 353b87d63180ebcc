#include "paths.h"

#include "rawbytes.h"

#include <QFile>

namespace corvane {

std::filesystem::path toFsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    // Names that came as bytes (see rawbytes.h) go back to the disk as those bytes.
    return std::filesystem::path(toRawBytes(path).toStdString());
#endif
}

QString fromFsPath(const std::filesystem::path& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.wstring());
#else
    return fromRawBytes(QByteArray::fromStdString(path.string()));
#endif
}

QByteArray toSqlitePath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

} // namespace corvane

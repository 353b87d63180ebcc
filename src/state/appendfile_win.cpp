#include "appendfile.h"

#include <QFile>
#include <QFileInfo>

namespace corvane {

bool appendToRegularFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    return file.write(bytes) == bytes.size();
}

} // namespace corvane

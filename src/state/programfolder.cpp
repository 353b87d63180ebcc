#include "programfolder.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

QString findInFolder(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    // Only a plain name can be matched against the folder's entries.
    if (name.contains(QLatin1Char('/')))
        return QFileInfo(dir.filePath(name)).isFile() ? dir.filePath(name) : QString();
    // The name as the folder spells it, also where the system would open the
    // file in any letter case (Windows): logs and comparisons see that name.
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    if (entries.contains(name)) return dir.filePath(name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return {};
}

QString resolveInFolder(const QString& folder, const QString& name)
{
    const QString found = findInFolder(folder, name);
    return found.isEmpty() ? QDir(folder).filePath(name) : found;
}

} // namespace corvane

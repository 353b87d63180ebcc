#include "programfolder.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

QString resolveInFolder(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact)) return exact;
    // Only a plain name can be matched against the folder's entries.
    if (!name.contains(QLatin1Char('/'))) {
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& entry : entries)
            if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    }
    return exact;
}

bool existsInFolder(const QString& folder, const QString& name)
{
    return QFileInfo::exists(resolveInFolder(folder, name));
}

} // namespace corvane

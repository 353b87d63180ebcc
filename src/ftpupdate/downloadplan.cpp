#include "downloadplan.h"

#include "base/error.h"
#include "base/system.h"
#include "localfiles.h"
#include "state/programfolder.h"
#include "texts.h"
#include "versiontext.h"

#include <QFile>
#include <cerrno>
#include <system_error>

namespace corvane {

bool isPlainFileName(const QString& name)
{
    const QString trimmed = trimBlanks(name);
    if (trimmed.isEmpty() || trimmed == QLatin1String(".") || trimmed == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool acceptedForDownload(const QString& listedName, const QString& programFolder)
{
    if (!isPlainFileName(listedName)) return false;
    const QString upper = listedName.toUpper();
    if (upper == ftptext::UpdaterExe || upper == ftptext::VersionFile ||
        upper == ftptext::UpdaterVersionFile || upper == ftptext::Manifest ||
        upper == ftptext::ManifestSignature)
        return false;
    // The packages are large: fetched only when no copy is there already.
    if (upper == ftptext::Package32 || upper == ftptext::Package64)
        return findInFolder(programFolder, upper).isEmpty();
    return true;
}

QString localNameFor(const QString& listedName)
{
    if (listedName.toUpper() == ftptext::PublishedExe) return ftptext::TempExe;
    return trimBlanks(listedName);
}

void replaceExecutable(const QString& programFolder)
{
    const QString temp = findInFolder(programFolder, ftptext::TempExe);
    if (temp.isEmpty()) {
        throw Error(
            errnum::FileNotFound,
            QStringLiteral("%1: %2").arg(
                ftptext::TempExe, QString::fromStdString(std::generic_category().message(ENOENT))));
    }
    const QString target = resolveInFolder(programFolder, ftptext::LocalExe);
    if (QFile::exists(target)) {
        // A rename over a running executable would still succeed on Linux,
        // so ask the file itself.
        QString reason;
        if (sys::executableInUse(target, &reason)) throw Error(errnum::PermissionDenied, reason);
        QFile::setPermissions(temp, QFile::permissions(target));
    }
    syncFile(temp);
    renameOver(temp, target);
    syncFolder(programFolder);
}

} // namespace corvane

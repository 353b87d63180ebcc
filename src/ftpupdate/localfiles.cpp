#include "localfiles.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/system.h"
#include "state/programfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <filesystem>
#include <system_error>

namespace corvane {

QString resolvePath(const QString& path)
{
    const QFileInfo info(path);
    return resolveInFolder(info.path(), info.fileName());
}

void syncFile(const QString& path)
{
    sys::syncFile(path);
}

void syncFolder(const QString& folder)
{
    sys::syncFolder(folder);
}

void renameOver(const QString& from, const QString& to)
{
    sys::replaceFile(from, to);
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

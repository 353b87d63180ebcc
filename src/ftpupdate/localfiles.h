#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// The existing file of that path's name in any letter case (see
// state/programfolder.h), for a path whose last part is the name to look up.
QString resolvePath(const QString& path);

// Flushes a file's bytes to the disk (the file must exist).
void syncFile(const QString& path);
// Flushes a folder's entries, so a rename inside it survives a power cut.
void syncFolder(const QString& folder);
// Renames over an existing file in one step; throws corvane::Error.
void renameOver(const QString& from, const QString& to);

// The QTemporaryFile template of the files being received in `folder`: a
// hidden name of 20 characters, whatever the published name.
QString partFileTemplate(const QString& folder);
// Removes the part files that runs killed in mid-transfer left in `folder`
// (ours, and the .NAME.XXXXXX.part files of earlier versions); returns
// their names.
QStringList removeLeftoverParts(const QString& folder);

} // namespace corvane

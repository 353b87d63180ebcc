#pragma once

#include <QString>

namespace corvane {

// A listed name that can only stand for a file of the program folder itself:
// no path separator, drive or root prefix, no "." or "..", no control
// character, not blank.
bool isPlainFileName(const QString& name);

// Whether the download run fetches a listed name.
bool acceptedForDownload(const QString& listedName, const QString& programFolder);

// The name a listed file is stored under in the program folder.
QString localNameFor(const QString& listedName);

// Moves Corvane_Temp.exe over Corvane.exe in one step: a crash leaves the
// old or the new executable whole. Refused, with the platform's reason,
// while Corvane.exe is running or when there is no Corvane_Temp.exe.
void replaceExecutable(const QString& programFolder);

} // namespace corvane

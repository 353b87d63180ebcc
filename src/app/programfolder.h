#pragma once

#include <QString>

namespace corvane {

// The program folder is case-insensitive, as on Windows: the path of the entry
// of `folder` whose name matches `name` ignoring letter case, or folder/name
// when there is none.
QString resolveInFolder(const QString& folder, const QString& name);

// True when the folder holds an entry of that name, in any letter case.
bool existsInFolder(const QString& folder, const QString& name);

} // namespace corvane

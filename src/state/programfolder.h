#pragma once

#include <QString>

namespace corvane {

// The program folder is case-insensitive, as on Windows. The file of `folder`
// whose name matches `name` in any letter case (an exact match first), or ""
// when there is none.
QString findInFolder(const QString& folder, const QString& name);

// The path to use for `name` in `folder`: the existing file in any letter
// case, else folder/name.
QString resolveInFolder(const QString& folder, const QString& name);

inline bool existsInFolder(const QString& folder, const QString& name)
{
    return !findInFolder(folder, name).isEmpty();
}

} // namespace corvane

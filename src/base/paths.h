#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>

namespace corvane {

// Every path handed to the C or C++ runtime or to SQLite is converted here,
// and only here: on Windows as wide characters (SQLite: UTF-8), elsewhere in
// the file system's own encoding. A folder such as C:\Contabilità\ stays whole.
std::filesystem::path toFsPath(const QString& path);
QString fromFsPath(const std::filesystem::path& path);
QByteArray toSqlitePath(const QString& path);

} // namespace corvane

#pragma once

#include <QByteArray>
#include <QString>

namespace corvane::db {

// SQL Server's default collation as far as object names go: letter case and
// trailing blanks do not count, accents do.
inline constexpr const char* kServerCollation = "SQL_Latin1_General_CP1_CI_AS";

// The key under which two names are equal exactly when the collation says so.
QString foldName(QStringView name);
QString foldName(const char* utf8, int length);

// Three-way comparison of two UTF-8 texts under that collation.
int compareNames(const char* a, int lengthA, const char* b, int lengthB);

} // namespace corvane::db

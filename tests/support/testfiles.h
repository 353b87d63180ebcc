#pragma once

// Files of the tests: sources under tests/, golden files, scratch files and
// Windows executables built for a test.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane::test {

// Writes a file, making its folder first; throws when it cannot.
void writeFile(const QString& path, const QByteArray& content);
// The bytes of a file, empty when it cannot be read.
QByteArray readFile(const QString& path);

// Absolute path of a file under tests/.
QString testSourcePath(const QString& relative);
// The text of a file under tests/ (UTF-8).
QString readTestSource(const QString& relative);
// Whether `actual` is the text of the golden file under tests/, leaving out
// its lines that start with "#" ("{YEAR}" in it stands for this year). On a
// mismatch the actual text lands beside the test binary, named after the
// golden file, for review.
bool matchesGolden(const QString& relative, const QString& actual);

// Builds a Windows executable with binutils-mingw-w64 (see
// tests/ftpupdate/pe/buildpe.sh for the options). Returns the builder's
// complaint, empty on success.
QString buildPe(const QString& out, const QString& arch, const QStringList& options = {});

} // namespace corvane::test

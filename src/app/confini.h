#pragma once

#include <QStringList>

class QIODevice;

namespace corvane {

// Reads the first `count` lines of a settings file such as conf.ini: ANSI text,
// or UTF-8 with or without a byte order mark; lines ended by CR LF, LF or CR.
// Only as much of the file is read as the lines need. Throws Error 62 (input
// past end of file) when the file has fewer lines.
QStringList readSettingLines(QIODevice& file, int count);

// Refuses a value holding a NUL or another control character (a tab is
// kept): such a character would cut or bend the connection string. Throws
// Error 380 naming the file and the line.
void checkSettingLine(const QString& line, int lineNumber, const QString& fileName);

} // namespace corvane

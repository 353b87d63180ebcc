#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace corvane {

// The first line of a text file's content: up to the first CR (CR LF or CR
// alone), or everything when there is none. A lone LF belongs to the line.
QString firstLine(const QByteArray& content);

// Drops the second dot and the character after it: 2.0.0.15 -> 2.0.15.
// Nothing for a text with fewer than two dots.
std::optional<QString> shortenVersion(const QString& version);

// Leading and trailing blanks removed; other white space is kept.
QString trimBlanks(const QString& text);

} // namespace corvane

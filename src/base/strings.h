#pragma once

#include <QString>

namespace corvane {

// Trim as the program means it: leading and trailing spaces only; tabs,
// line feeds and other blanks stay.
inline QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// Doubles every single quote: l'anno -> l''anno.
inline QString DoubleQuotes(QString text)
{
    text.replace(QLatin1Char('\''), QStringLiteral("''"));
    return text;
}

} // namespace corvane

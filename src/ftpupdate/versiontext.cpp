#include "versiontext.h"

namespace corvane {

QString firstLine(const QByteArray& content)
{
    const qsizetype cr = content.indexOf('\r');
    return QString::fromLatin1(cr < 0 ? content : content.left(cr));
}

std::optional<QString> shortenVersion(const QString& version)
{
    const qsizetype first = version.indexOf(QLatin1Char('.'));
    if (first < 0) return std::nullopt;
    const qsizetype second = version.indexOf(QLatin1Char('.'), first + 1);
    if (second < 0) return std::nullopt;
    return version.left(second) + version.mid(second + 2);
}

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace corvane

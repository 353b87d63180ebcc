#include "confini.h"

#include "base/error.h"

#include <QIODevice>
#include <QStringDecoder>

namespace corvane {

namespace {

constexpr qint64 kChunk = 4096;

// The "ANSI" code page of the Windows installations conf.ini comes from. A
// Qt without ICU knows it only as the system code page of Windows itself.
QStringDecoder ansiDecoder()
{
    QStringDecoder windows1252("windows-1252", QStringDecoder::Flag::Stateless);
    if (windows1252.isValid()) return windows1252;
#ifdef Q_OS_WIN
    return QStringDecoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
#else
    return QStringDecoder(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
#endif
}

// UTF-8 when the bytes are valid UTF-8 (a BOM says so too), else Windows-1252.
QString decodeLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder ansi = ansiDecoder();
    return ansi(bytes);
}

} // namespace

QStringList readSettingLines(QIODevice& file, int count)
{
    QStringList lines;
    QByteArray pending;
    bool first = true;
    bool afterCr = false;
    while (lines.size() < count) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty()) break;
        qsizetype start = 0;
        if (first && chunk.startsWith("\xEF\xBB\xBF")) start = 3;
        first = false;
        for (qsizetype i = start; i < chunk.size() && lines.size() < count; ++i) {
            const char c = chunk.at(i);
            if (afterCr && c == '\n') { // the LF of a CR LF pair
                afterCr = false;
                continue;
            }
            afterCr = false;
            if (c == '\r' || c == '\n') {
                lines << decodeLine(pending);
                pending.clear();
                afterCr = c == '\r';
            } else {
                pending.append(c);
            }
        }
    }
    // A last line without its terminator still counts.
    if (lines.size() < count && !pending.isEmpty()) lines << decodeLine(pending);
    if (lines.size() < count)
        throw Error(errnum::InputPastEndOfFile, QStringLiteral("Input past end of file"));
    return lines;
}

void checkSettingLine(const QString& line, int lineNumber, const QString& fileName)
{
    for (const QChar c : line) {
        if (c == QLatin1Char('\t') || c.category() != QChar::Other_Control) continue;
        throw Error(errnum::InvalidPropertyValue,
                    QStringLiteral("%1, line %2: control character U+%3")
                        .arg(fileName)
                        .arg(lineNumber)
                        .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0')));
    }
}

} // namespace corvane

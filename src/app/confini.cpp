#include "confini.h"

#include "base/error.h"

#include <QIODevice>
#include <QStringDecoder>

namespace corvane {

namespace {

constexpr qint64 kChunk = 4096;

// UTF-8 when the bytes are valid UTF-8 (a BOM says so too), else the
// single-byte code page the file was written in.
QString decodeLine(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);
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

} // namespace corvane

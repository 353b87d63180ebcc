#include "ftplisting.h"

namespace corvane {

namespace {

QList<QByteArray> linesOf(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) line.chop(1);
    }
    return lines;
}

bool isMonth(const QByteArray& word)
{
    static const QList<QByteArray> months{"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    return months.contains(word.toLower());
}

std::optional<qint64> number(const QByteArray& word)
{
    bool ok = false;
    const qint64 value = word.toLongLong(&ok);
    return ok && value >= 0 ? std::optional<qint64>(value) : std::nullopt;
}

// The fields before the name. The count must be exact, so that the line of
// "a b.txt" is not taken for the file "b.txt".
std::optional<qint64> sizeOfFields(const QList<QByteArray>& fields)
{
    if (fields.size() == 3 && !fields[2].startsWith('<')) return number(fields[2]); // DOS
    for (qsizetype m = 2; m < fields.size(); ++m) {
        if (isMonth(fields[m]) && m + 3 == fields.size())
            return fields[0].startsWith('-') ? number(fields[m - 1]) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

QByteArray folderFromReply(const QByteArray& reply)
{
    const qsizetype open = reply.indexOf('"');
    if (open < 0) return reply.mid(4).trimmed();
    QByteArray folder;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply[i] != '"') {
            folder += reply[i];
        } else if (i + 1 < reply.size() && reply[i + 1] == '"') {
            folder += '"';
            ++i;
        } else {
            break;
        }
    }
    return folder;
}

QList<QByteArray> namesOfNameList(const QByteArray& listing)
{
    QList<QByteArray> names;
    for (QByteArray name : linesOf(listing)) {
        const qsizetype nul = name.indexOf('\0');
        if (nul >= 0) name.truncate(nul);
        if (!name.isEmpty()) names << name;
    }
    return names;
}

std::optional<qint64> sizeInListing(const QByteArray& listing, const QByteArray& name)
{
    if (name.isEmpty()) return std::nullopt;
    const QByteArray tail = ' ' + name;
    for (const QByteArray& line : linesOf(listing)) {
        // One space parts the name from the field before it; a second space
        // would belong to the name (" lead.txt" is not "lead.txt").
        const qsizetype cut = line.size() - tail.size();
        if (!line.endsWith(tail) || cut == 0 || line[cut - 1] == ' ') continue;
        const QList<QByteArray> fields = line.left(cut).simplified().split(' ');
        if (const std::optional<qint64> size = sizeOfFields(fields)) return size;
    }
    return std::nullopt;
}

} // namespace corvane

#include "namecollation.h"

#include <algorithm>

namespace corvane::db {

namespace {

int trimmedLength(const char* text, int length)
{
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}

bool isAscii(const char* text, int length)
{
    return std::all_of(text, text + length,
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

QString foldName(QStringView name)
{
    qsizetype length = name.size();
    while (length > 0 && name[length - 1] == u' ')
        --length;
    return name.first(length).toString().toCaseFolded();
}

QString foldName(const char* utf8, int length)
{
    return foldName(QString::fromUtf8(utf8, trimmedLength(utf8, length)));
}

int compareNames(const char* a, int lengthA, const char* b, int lengthB)
{
    lengthA = trimmedLength(a, lengthA);
    lengthB = trimmedLength(b, lengthB);
    // Names are nearly always plain ASCII: compare bytes without decoding.
    if (isAscii(a, lengthA) && isAscii(b, lengthB)) {
        const int common = std::min(lengthA, lengthB);
        for (int i = 0; i < common; ++i) {
            const char x = asciiLower(a[i]);
            const char y = asciiLower(b[i]);
            if (x != y) return x < y ? -1 : 1;
        }
        return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
    }
    const QString left = QString::fromUtf8(a, lengthA).toCaseFolded();
    const QString right = QString::fromUtf8(b, lengthB).toCaseFolded();
    const int order = left.compare(right);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

} // namespace corvane::db

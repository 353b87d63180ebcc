#include "rawbytes.h"

namespace corvane {

namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// The code point of the well-formed UTF-8 sequence at `i`, and its length;
// 0 length when the bytes there are not one (overlong forms, surrogates and
// values past U+10FFFF included).
std::pair<char32_t, int> decodeOne(const QByteArray& s, qsizetype i)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(s.at(k)); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return {lead, 1};
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return {0, 0};
    }
    if (i + length > s.size()) return {0, 0};
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) return {0, 0};
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {0, 0};
    return {value, length};
}

} // namespace

QString fromRawBytes(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto [value, length] = decodeOne(bytes, i);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes.at(i))));
            ++i;
            continue;
        }
        const char32_t ucs4[] = {value};
        text += QString::fromUcs4(ucs4, 1);
        i += length;
    }
    return text;
}

QByteArray toRawBytes(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype begin = 0; // start of the run of ordinary text not yet encoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool escaped = c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF &&
                             (i == 0 || !text.at(i - 1).isHighSurrogate());
        if (!escaped) continue;
        bytes += QStringView(text).mid(begin, i - begin).toUtf8();
        bytes += static_cast<char>(c - kEscapeBase);
        begin = i + 1;
    }
    bytes += QStringView(text).mid(begin).toUtf8();
    return bytes;
}

} // namespace corvane

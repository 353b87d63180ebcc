#include "manifest.h"

#include "base/error.h"

#include <algorithm>

namespace corvane {

namespace {

const QByteArray kHeader = "CorvaneUpdate manifest 1";

Error badLine(int line, const QString& what)
{
    return Error(errnum::InvalidPropertyValue, QStringLiteral("riga %1: %2").arg(line).arg(what));
}

bool isHexDigest(const QByteArray& text)
{
    return text.size() == 64 && std::all_of(text.cbegin(), text.cend(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool isDecimal(const QByteArray& text)
{
    return !text.isEmpty() && text.size() <= 18 &&
           std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

Manifest Manifest::parse(const QByteArray& text)
{
    if (!text.endsWith('\n'))
        throw badLine(1, QStringLiteral("il testo non termina con un a capo"));
    const QList<QByteArray> lines = text.chopped(1).split('\n');
    if (lines.first() != kHeader)
        throw badLine(1, QStringLiteral("manca l'intestazione \"%1\"").arg(QLatin1String(kHeader)));
    Manifest manifest;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype first = line.indexOf(' ');
        const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
        if (second < 0) throw badLine(i + 1, QStringLiteral("servono impronta, dimensione e nome"));
        ManifestEntry entry;
        const QByteArray digest = line.left(first);
        const QByteArray size = line.mid(first + 1, second - first - 1);
        entry.name = line.mid(second + 1);
        if (!isHexDigest(digest))
            throw badLine(i + 1,
                          QStringLiteral("l'impronta SHA-256 non è di 64 cifre esadecimali"));
        if (!isDecimal(size)) throw badLine(i + 1, QStringLiteral("la dimensione non è un numero"));
        entry.sha256 = QByteArray::fromHex(digest);
        entry.size = size.toLongLong();
        const QByteArray name = entry.name;
        if (!manifest.m_entries.isEmpty() && !(manifest.m_entries.last().name < name))
            throw badLine(i + 1, QStringLiteral("nomi ripetuti o non in ordine"));
        if (!manifest.add(std::move(entry)))
            throw badLine(i + 1, QStringLiteral("nome del file non valido"));
    }
    return manifest;
}

bool Manifest::add(ManifestEntry entry)
{
    const QByteArray& name = entry.name;
    if (name.isEmpty() || name.contains('\n') || name.contains('\r') || name.contains('\0'))
        return false;
    const auto at =
        std::lower_bound(m_entries.begin(), m_entries.end(), name,
                         [](const ManifestEntry& e, const QByteArray& n) { return e.name < n; });
    if (at != m_entries.end() && at->name == name) return false;
    m_entries.insert(at, std::move(entry));
    return true;
}

const ManifestEntry* Manifest::find(const QByteArray& name) const
{
    const auto at =
        std::lower_bound(m_entries.cbegin(), m_entries.cend(), name,
                         [](const ManifestEntry& e, const QByteArray& n) { return e.name < n; });
    return at != m_entries.cend() && at->name == name ? &*at : nullptr;
}

QByteArray Manifest::text() const
{
    QByteArray text = kHeader + '\n';
    for (const ManifestEntry& e : m_entries)
        text += e.sha256.toHex() + ' ' + QByteArray::number(e.size) + ' ' + e.name + '\n';
    return text;
}

QByteArray textOfKey(const QByteArray& raw)
{
    return raw.toBase64() + '\n';
}

std::optional<QByteArray> keyOfText(const QByteArray& text, int size)
{
    const auto decoded =
        QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != size) return std::nullopt;
    return decoded.decoded;
}

} // namespace corvane

#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

namespace corvane {

// One published file: its name as the server lists it (bytes), its size and
// the SHA-256 of its content.
struct ManifestEntry
{
    QByteArray name;
    qint64 size = 0;
    QByteArray sha256;
};

// The maker's list of the files of the distribution folder. As text:
//   CorvaneUpdate manifest 1
//   <SHA-256, 64 hex digits> <size> <name, to the end of the line>
// one line per file, sorted by name, every line ending in LF. The signature
// covers exactly these bytes.
class Manifest
{
public:
    // Throws corvane::Error with the line at fault (in Italian: it ends up in
    // the refusal box).
    static Manifest parse(const QByteArray& text);

    // False for a name that cannot stand in the text (empty, CR, LF, NUL) or
    // that is already listed.
    bool add(ManifestEntry entry);
    const ManifestEntry* find(const QByteArray& name) const;
    const QList<ManifestEntry>& entries() const { return m_entries; }
    QByteArray text() const;

private:
    QList<ManifestEntry> m_entries; // sorted by name
};

// Keys and signatures travel as one line of base64 text.
QByteArray textOfKey(const QByteArray& raw);
// The raw bytes of such a line when they are exactly `size` bytes long.
std::optional<QByteArray> keyOfText(const QByteArray& text, int size);

} // namespace corvane

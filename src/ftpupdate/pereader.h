#pragma once

#include <QString>
#include <cstdint>

namespace corvane {

class PlatformPort;

// The version of an executable as text.
struct InfoVersioneFile
{
    QString VersioneFile;     // e.g. 2.0.0.15
    QString VersioneProdotto; // same form
    QString SistemaOperativo; // e.g. "NT-Win32"
    QString TipoFile;         // type, one blank, driver sub-type (e.g. "EXE ")

    bool operator==(const InfoVersioneFile&) const = default;
};

// The names the version block's codes stand for.
QString operatingSystemName(uint32_t fileOS);
QString fileTypeName(uint32_t fileType);
QString driverSubtypeName(uint32_t fileSubtype);

// Reads the version block of an executable. A missing file, or one without
// a version block, gives the empty record silently; a read failure shows the
// error in a box and gives the empty record. `bytesRead`, when given, tells
// how much of the file was read.
InfoVersioneFile LeggiVersioneFile(PlatformPort& port, const QString& path,
                                   qint64* bytesRead = nullptr);

} // namespace corvane

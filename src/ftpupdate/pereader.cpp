#include "pereader.h"

#include "base/error.h"
#include "peparser.h"
#include "state/platform.h"

#include <QFile>

namespace corvane {

QString operatingSystemName(uint32_t fileOS)
{
    switch (fileOS) {
    case 0x00010001:
        return QStringLiteral("DOS-Win16");
    case 0x00010004:
        return QStringLiteral("DOS-Win32");
    case 0x00020002:
        return QStringLiteral("OS/2-16 PM-16");
    case 0x00030003:
        return QStringLiteral("OS/2-16 PM-32");
    case 0x00040004:
        return QStringLiteral("NT-Win32");
    default:
        return QStringLiteral("Non specificato");
    }
}

QString fileTypeName(uint32_t fileType)
{
    switch (fileType) {
    case 1:
        return QStringLiteral("EXE");
    case 2:
        return QStringLiteral("DLL");
    case 3:
        return QStringLiteral("Driver");
    case 4:
        return QStringLiteral("Font");
    case 5:
        return QStringLiteral("VxD");
    case 7:
        return QStringLiteral("Lib");
    default:
        return QStringLiteral("Sconosciuto");
    }
}

QString driverSubtypeName(uint32_t fileSubtype)
{
    static const char* const names[] = {
        "Sconosciuto", "Printer drv", "Keyboard drv", "Language drv", "Display drv", "Mouse drv",
        "Network drv", "System drv",  "Installable",  "Sound drv",    "Comm drv"};
    return fileSubtype < std::size(names) ? QString::fromLatin1(names[fileSubtype]) : QString();
}

namespace {

QString versionText(uint32_t ms, uint32_t ls)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ms >> 16)
        .arg(ms & 0xFFFF)
        .arg(ls >> 16)
        .arg(ls & 0xFFFF);
}

InfoVersioneFile describe(const pe::FixedFileInfo& f)
{
    InfoVersioneFile info;
    info.VersioneFile = versionText(f.fileVersionMS, f.fileVersionLS);
    info.VersioneProdotto = versionText(f.productVersionMS, f.productVersionLS);
    info.SistemaOperativo = operatingSystemName(f.fileOS);
    const QString subtype = f.fileType == 3 ? driverSubtypeName(f.fileSubtype) : QString();
    info.TipoFile = fileTypeName(f.fileType) + QLatin1Char(' ') + subtype;
    return info;
}

} // namespace

InfoVersioneFile LeggiVersioneFile(PlatformPort& port, const QString& path, qint64* bytesRead)
{
    qint64 tally = 0;
    try {
        QFile file(path);
        // A file that is not there, or cannot be opened, has no version to give.
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            if (bytesRead) *bytesRead = 0;
            return {};
        }
        const pe::ReadAt read = [&file, &tally](uint64_t offset, void* buffer, size_t size) {
            if (!file.seek(static_cast<qint64>(offset))) return false;
            const qint64 got = file.read(static_cast<char*>(buffer), static_cast<qint64>(size));
            if (got < 0) throw Error(errnum::PathFileAccess, file.errorString());
            tally += got;
            return got == static_cast<qint64>(size);
        };
        const std::optional<pe::FixedFileInfo> fixed = pe::readFixedFileInfo(read, file.size());
        if (bytesRead) *bytesRead = tally;
        return fixed ? describe(*fixed) : InfoVersioneFile{};
    } catch (const Error& e) {
        if (bytesRead) *bytesRead = tally;
        port.messageBox(QString::number(e.number()) + QLatin1Char(' ') + e.description(), QString(),
                        style::Ok);
        return {};
    }
}

} // namespace corvane

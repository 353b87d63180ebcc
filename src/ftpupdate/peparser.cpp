#include "peparser.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

namespace corvane::pe {

namespace {

constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kMagicPe32Plus = 0x20b;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVersionInfoName = 1;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
// VS_VERSIONINFO's length field is 16 bits wide.
constexpr uint32_t kMaxVersionResource = 0xFFFF;
constexpr size_t kFixedFileInfoSize = 52;
constexpr char16_t kVersionKey[] = u"VS_VERSION_INFO";

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Section
{
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawPointer;
};

class Image
{
public:
    Image(const ReadAt& read, uint64_t size) : m_read(read), m_size(size) {}

    bool at(uint64_t offset, void* buffer, size_t size) const
    {
        if (offset > m_size || size > m_size - offset) return false;
        return size == 0 || m_read(offset, buffer, size);
    }

    // The file offset of `size` bytes at an RVA; they must lie in one
    // section's raw data (bytes past it exist only in memory).
    std::optional<uint64_t> map(uint64_t rva, uint64_t size) const
    {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress) continue;
            const uint64_t delta = rva - s.virtualAddress;
            if (delta <= s.rawSize && size <= s.rawSize - delta)
                return uint64_t{s.rawPointer} + delta;
        }
        return std::nullopt;
    }

    bool readRva(uint64_t rva, void* buffer, size_t size) const
    {
        const std::optional<uint64_t> offset = map(rva, size);
        return offset && at(*offset, buffer, size);
    }

    // Headers up to the resource directory's RVA; 0 when there is none.
    uint32_t loadHeaders();

private:
    const ReadAt& m_read;
    uint64_t m_size;
    std::vector<Section> m_sections;
};

uint32_t Image::loadHeaders()
{
    std::array<uint8_t, 64> dos{};
    if (!at(0, dos.data(), dos.size()) || dos[0] != 'M' || dos[1] != 'Z') return 0;
    const uint32_t peOffset = u32(&dos[0x3C]);

    std::array<uint8_t, 24> coff{};
    if (!at(peOffset, coff.data(), coff.size())) return 0;
    if (coff[0] != 'P' || coff[1] != 'E' || coff[2] != 0 || coff[3] != 0) return 0;
    const uint16_t sectionCount = u16(&coff[6]);
    const uint16_t optionalSize = u16(&coff[20]);

    std::array<uint8_t, 136> optional{};
    const size_t optionalRead = std::min<size_t>(optionalSize, optional.size());
    if (optionalRead < 2 || !at(uint64_t{peOffset} + 24, optional.data(), optionalRead)) return 0;
    const uint16_t magic = u16(&optional[0]);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) return 0;
    const size_t countField = magic == kMagicPe32 ? 92 : 108;
    const size_t directories = countField + 4;
    const size_t resourceEntry = directories + kResourceDirectoryIndex * 8;
    if (optionalRead < resourceEntry + 8) return 0;
    if (u32(&optional[countField]) <= kResourceDirectoryIndex) return 0;
    const uint32_t resourceRva = u32(&optional[resourceEntry]);
    if (resourceRva == 0) return 0;

    std::vector<uint8_t> table(size_t{sectionCount} * 40);
    if (!at(uint64_t{peOffset} + 24 + optionalSize, table.data(), table.size())) return 0;
    for (size_t i = 0; i < sectionCount; ++i) {
        const uint8_t* s = &table[i * 40];
        m_sections.push_back({u32(s + 12), u32(s + 16), u32(s + 20)});
    }
    return resourceRva;
}

// One step down the resource tree: the entry with `id` (or the first entry
// when `id` is empty) of the directory at `directory` (relative to the root).
// Gives the entry's target offset when it is of the wanted kind.
std::optional<uint32_t> descend(const Image& image, uint32_t rootRva, uint32_t directory,
                                std::optional<uint32_t> id, bool wantSubdirectory)
{
    std::array<uint8_t, 16> header{};
    if (!image.readRva(uint64_t{rootRva} + directory, header.data(), header.size()))
        return std::nullopt;
    const uint32_t named = u16(&header[12]);
    const uint32_t ids = u16(&header[14]);
    const uint32_t first = id ? named : 0;
    const uint32_t end = named + ids;
    for (uint32_t i = first; i < end; ++i) {
        std::array<uint8_t, 8> entry{};
        if (!image.readRva(uint64_t{rootRva} + directory + 16 + uint64_t{i} * 8, entry.data(),
                           entry.size()))
            return std::nullopt;
        if (id && u32(&entry[0]) != *id) continue;
        const uint32_t target = u32(&entry[4]);
        const bool isSubdirectory = (target & kSubdirectoryFlag) != 0;
        if (isSubdirectory != wantSubdirectory) return std::nullopt;
        return target & ~kSubdirectoryFlag;
    }
    return std::nullopt;
}

std::optional<FixedFileInfo> parseVersionInfo(const std::vector<uint8_t>& block)
{
    if (block.size() < 6) return std::nullopt;
    const size_t length = std::min<size_t>(u16(&block[0]), block.size());
    const size_t valueLength = u16(&block[2]);
    size_t pos = 6;
    for (const char16_t c : kVersionKey) {
        if (pos + 2 > length || u16(&block[pos]) != c) return std::nullopt;
        pos += 2;
    }
    pos = (pos + 3) & ~size_t{3};
    if (valueLength < kFixedFileInfoSize || pos + kFixedFileInfoSize > length) return std::nullopt;
    const uint8_t* v = &block[pos];
    FixedFileInfo f;
    uint32_t* fields[] = {&f.signature,     &f.structVersion,    &f.fileVersionMS,
                          &f.fileVersionLS, &f.productVersionMS, &f.productVersionLS,
                          &f.fileFlagsMask, &f.fileFlags,        &f.fileOS,
                          &f.fileType,      &f.fileSubtype,      &f.fileDateMS,
                          &f.fileDateLS};
    for (size_t i = 0; i < std::size(fields); ++i)
        *fields[i] = u32(v + i * 4);
    if (f.signature != kFixedFileInfoSignature) return std::nullopt;
    return f;
}

} // namespace

std::optional<FixedFileInfo> readFixedFileInfo(const ReadAt& read, uint64_t fileSize)
{
    Image image(read, fileSize);
    const uint32_t root = image.loadHeaders();
    if (root == 0) return std::nullopt;

    // Type RT_VERSION, then name VS_VERSION_INFO, then the first language.
    const std::optional<uint32_t> type = descend(image, root, 0, kRtVersion, true);
    if (!type) return std::nullopt;
    const std::optional<uint32_t> name = descend(image, root, *type, kVersionInfoName, true);
    if (!name) return std::nullopt;
    const std::optional<uint32_t> language = descend(image, root, *name, std::nullopt, false);
    if (!language) return std::nullopt;

    std::array<uint8_t, 16> dataEntry{};
    if (!image.readRva(uint64_t{root} + *language, dataEntry.data(), dataEntry.size()))
        return std::nullopt;
    const uint32_t dataRva = u32(&dataEntry[0]);
    const uint32_t dataSize = std::min(u32(&dataEntry[4]), kMaxVersionResource);
    if (dataSize < 6 + sizeof kVersionKey + kFixedFileInfoSize) return std::nullopt;
    std::vector<uint8_t> block(dataSize);
    if (!image.readRva(dataRva, block.data(), block.size())) return std::nullopt;
    return parseVersionInfo(block);
}

} // namespace corvane::pe

#pragma once

// Reads the fixed version block of a Windows executable (PE32 or PE32+)
// without Windows: the headers, the resource tree down to the version
// resource, and nothing else. Plain C++ so it can be fuzzed on its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace corvane::pe {

// VS_FIXEDFILEINFO, the 52-byte block at the root of a version resource.
struct FixedFileInfo
{
    uint32_t signature = 0;
    uint32_t structVersion = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};

inline constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// Fills `buffer` with `size` bytes at `offset`; false when the file is shorter.
// Throws (anything) on an I/O failure, which the parser lets through.
using ReadAt = std::function<bool(uint64_t offset, void* buffer, size_t size)>;

// The fixed version block, or nothing for a file that is not a PE image, is
// damaged, or has no version resource.
std::optional<FixedFileInfo> readFixedFileInfo(const ReadAt& read, uint64_t fileSize);

} // namespace corvane::pe

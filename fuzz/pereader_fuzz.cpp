// libFuzzer target for the PE version reader: any bytes, read through the
// same bounds-checked callback the program uses.
#include "ftpupdate/peparser.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const corvane::pe::ReadAt read = [data, size](uint64_t offset, void* buffer, size_t length) {
        if (offset > size || length > size - offset) return false;
        std::memcpy(buffer, data + offset, length);
        return true;
    };
    const auto info = corvane::pe::readFixedFileInfo(read, size);
    // A block is only ever given with its signature checked.
    if (info && info->signature != corvane::pe::kFixedFileInfoSignature) __builtin_trap();
    return 0;
}

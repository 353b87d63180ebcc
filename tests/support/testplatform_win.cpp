#include "testplatform.h"

#include <QDir>
#include <cstdlib>
#include <windows.h>

namespace corvane::test {

namespace {

// Wine's own export: the Linux name of a Windows path, allocated on the
// process heap; absent on a real Windows.
using UnixFileNameFn = char*(CDECL*)(const WCHAR*);

UnixFileNameFn unixFileName()
{
    static const UnixFileNameFn fn = [] {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        const FARPROC proc = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
        // FARPROC is a generic function pointer; going through void* keeps
        // -Wcast-function-type quiet about the real signature.
        return reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void*>(proc));
    }();
    return fn;
}

} // namespace

bool runsAsRoot()
{
    return false;
}

bool supportsFifos()
{
    return false;
}

bool makeFifo(const QString&)
{
    return false;
}

bool isFifo(const QString&)
{
    return false;
}

bool underWine()
{
    return unixFileName() != nullptr;
}

QString hostPath(const QString& path)
{
    const UnixFileNameFn fn = unixFileName();
    if (!fn) return path;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    char* unixName = fn(native.c_str());
    if (!unixName) return path;
    const QString result = QString::fromLocal8Bit(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

} // namespace corvane::test

#include "testplatform.h"

#include <QDir>
#include <cstdlib>
#include <iterator>
#include <windows.h>
// tlhelp32.h needs the types of windows.h.
#include <tlhelp32.h>

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

int endProgramsStartedFrom(const QString& path)
{
    const QString wanted = QDir::toNativeSeparators(QDir::cleanPath(path));
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    int ended = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        const HANDLE process =
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                        entry.th32ProcessID);
        if (!process) continue;
        wchar_t image[MAX_PATH * 4];
        DWORD size = DWORD(std::size(image));
        if (QueryFullProcessImageNameW(process, 0, image, &size) &&
            QString::fromWCharArray(image, int(size)).compare(wanted, Qt::CaseInsensitive) == 0 &&
            TerminateProcess(process, 1)) {
            WaitForSingleObject(process, 10000);
            ++ended;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
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

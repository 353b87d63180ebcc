#include "error.h"
#include "system.h"

#include <QDir>
#include <cstdio>
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

namespace corvane::sys {

namespace {

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The system's own text for an error code, as FormatMessage gives it.
QString systemText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed()
                          : QStringLiteral("Windows error %1").arg(code);
    LocalFree(buffer);
    return text;
}

Error lastError(long number)
{
    return Error(number, systemText(GetLastError()));
}

} // namespace

bool executableInUse(const QString& path, QString* reason)
{
    // A mapped image refuses write access to everyone, whatever they share:
    // the loader holds it while the program runs.
    const HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
        if (reason) *reason = systemText(code);
        return true;
    }
    throw Error(errnum::PermissionDenied, systemText(code));
}

void syncFile(const QString& path)
{
    const HANDLE file =
        CreateFileW(nativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw lastError(errnum::PathFileAccess);
    const bool flushed = FlushFileBuffers(file);
    const DWORD code = GetLastError();
    CloseHandle(file);
    if (!flushed) throw Error(errnum::PathFileAccess, systemText(code));
}

void syncFolder(const QString&)
{
    // MOVEFILE_WRITE_THROUGH (replaceFile) already waits for the rename.
}

void replaceFile(const QString& from, const QString& to)
{
    // One rename, flushed before it returns: a crash leaves the old file or
    // the new one, never neither.
    if (!MoveFileExW(nativePath(from).c_str(), nativePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw lastError(errnum::PathFileAccess);
}

bool isWindows64Bit()
{
    // A 64-bit build runs only on 64-bit Windows; a 32-bit one asks WOW64.
    if constexpr (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::optional<bool> startProgram(const QString& path, const QString& workingFolder)
{
    // The command line is the quoted path alone; CreateProcessW may write to it.
    std::wstring commandLine = L"\"" + nativePath(path) + L"\"";
    const std::wstring folder = nativePath(workingFolder);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nativePath(path).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::optional<bool> shellOpen(const QString& path, const QString& workingFolder)
{
    const std::wstring file = nativePath(path);
    const std::wstring folder = nativePath(workingFolder);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    return bool(ShellExecuteExW(&info));
}

bool attachParentConsole()
{
    // Redirected by a scheduler or a shell: the handles are already there.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
    return true;
}

bool desktopAvailable()
{
    return true;
}

QString defaultOdbcDriver()
{
    return QStringLiteral("ODBC Driver 18 for SQL Server");
}

} // namespace corvane::sys

#include "error.h"
#include "system.h"

#include <QByteArray>
#include <QDir>
#include <QFileDevice>
#include <cstdio>
#include <io.h>
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

struct FileReadBack::Native
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    QByteArray buffer;
    ~Native()
    {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

FileReadBack::FileReadBack(QFileDevice& file) : m_native(std::make_unique<Native>())
{
    // A handle of our own on the same file: its position is not the writer's.
    // Views of a mapping are not kept coherent with WriteFile on network
    // shares, so the bytes are read, not mapped.
    const auto writer = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (writer == INVALID_HANDLE_VALUE)
        throw Error(errnum::PathFileAccess, QStringLiteral("File not open"));
    m_native->handle =
        ReOpenFile(writer, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   FILE_FLAG_SEQUENTIAL_SCAN);
    if (m_native->handle == INVALID_HANDLE_VALUE) throw lastError(errnum::PathFileAccess);
    m_native->buffer.resize(1 << 20);
}

FileReadBack::~FileReadBack() = default;

void FileReadBack::read(qint64 offset, qint64 size,
                        const std::function<void(const char*, qint64)>& visit)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (size > 0 && !SetFilePointerEx(m_native->handle, at, nullptr, FILE_BEGIN))
        throw lastError(errnum::PathFileAccess);
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(qMin<qint64>(size, m_native->buffer.size()));
        DWORD got = 0;
        if (!ReadFile(m_native->handle, m_native->buffer.data(), want, &got, nullptr))
            throw lastError(errnum::PathFileAccess);
        if (got == 0)
            throw Error(errnum::PathFileAccess, QStringLiteral("The file ends before its bytes"));
        visit(m_native->buffer.constData(), got);
        size -= got;
    }
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

#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QFileDevice;

// What the program asks of the operating system itself. Each system has one
// file of its own (system_win.cpp, system_posix.cpp); no other file makes a
// Windows or POSIX call. Paths are Qt paths; the files convert them.
namespace corvane::sys {

// True when a running program holds the executable at `path`: writing it is
// refused (a sharing violation on Windows, ETXTBSY elsewhere). Any other
// failure to open it throws Error with the system's own text. `reason` gets
// the system's text for the refusal.
bool executableInUse(const QString& path, QString* reason = nullptr);

// Writes the file's data to the disk, or throws Error.
void syncFile(const QString& path);
// Writes a folder's entries (a rename in it) to the disk where the system can.
void syncFolder(const QString& folder);
// Puts `from` in the place of `to` in one step, replacing it if there; once
// this returns, the new name is on the disk. Throws Error.
void replaceFile(const QString& from, const QString& to);

// Reads back what the program is writing to an open file, from another
// thread, without touching the writer's file position. Elsewhere than on
// Windows the bytes are mapped from the system's cache, so nothing is copied;
// Windows reads them through a handle of its own, which stays coherent with
// the writer on network shares too.
class FileReadBack
{
public:
    // Call on the thread that opened `file`; `file` must stay open while
    // this object lives.
    explicit FileReadBack(QFileDevice& file);
    ~FileReadBack();
    FileReadBack(const FileReadBack&) = delete;
    FileReadBack& operator=(const FileReadBack&) = delete;

    // Hands the bytes [offset, offset + size), already written, to `visit`
    // in one or more pieces, in order. Throws Error with the system's text.
    void read(qint64 offset, qint64 size, const std::function<void(const char*, qint64)>& visit);

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

// Whether the operating system is 64-bit, whatever this build is.
bool isWindows64Bit();

// Starts a program with no arguments in `workingFolder`, not waiting for it.
// nullopt where the system has no launcher of its own (the caller uses Qt's).
std::optional<bool> startProgram(const QString& path, const QString& workingFolder);
// Hands a document to the system's shell ("open" verb), as Explorer would.
// nullopt where there is no such shell (the caller uses the desktop's).
std::optional<bool> shellOpen(const QString& path, const QString& workingFolder);

// A windowed program started from a console writes its output there; false
// when there is none to attach to (nothing to do where programs always have one).
bool attachParentConsole();

// Whether windows can be shown: always on Windows, elsewhere only with a
// display server to show them on.
bool desktopAvailable();

// The ODBC driver SQL Server connections use unless one is configured.
QString defaultOdbcDriver();

} // namespace corvane::sys

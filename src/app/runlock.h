#pragma once

#include <QLockFile>
#include <QString>
#include <chrono>

namespace corvane {

// How long a run waits for another one in the same program folder.
inline constexpr std::chrono::minutes kRunLockWait{10};

// One run at a time per program folder: CorvaneUpdate.lock there, held for
// the whole run. A lock left behind by a run that died on this machine is
// taken over; a live run's lock never is, however long the run takes.
class RunLock
{
public:
    explicit RunLock(const QString& programFolder);

    const QString& path() const { return m_path; }
    // Takes the lock, waiting at most `wait` for the run that holds it.
    bool tryLock(std::chrono::milliseconds wait);
    bool isLocked() const { return m_file.isLocked(); }
    // The lock file cannot be made at all (a read-only folder): there is no
    // run to wait for, and none could be kept out.
    bool unavailable() const
    {
        return m_file.error() == QLockFile::PermissionError ||
               m_file.error() == QLockFile::UnknownError;
    }
    void unlock() { m_file.unlock(); }

private:
    QString m_path;
    QLockFile m_file;
};

} // namespace corvane

#include "runlock.h"

#include <QDir>

namespace corvane {

RunLock::RunLock(const QString& programFolder)
    : m_path(QDir(programFolder).filePath(QStringLiteral("CorvaneUpdate.lock"))), m_file(m_path)
{
    // A run may last longer than any fixed age: only a dead owner makes a
    // lock stale.
    m_file.setStaleLockTime(0);
}

bool RunLock::tryLock(std::chrono::milliseconds wait)
{
    if (m_file.isLocked()) return true;
    return m_file.tryLock(wait);
}

} // namespace corvane

#include "runtransaction.h"

#include "base/error.h"
#include "db/connection.h"
#include "db/sqlitestatement.h"

#include <sqlite3.h>

namespace corvane::schema {

namespace {

constexpr qint64 kStretchMilliseconds = 250;
// On a large schema the engine takes milliseconds per object, and a commit
// every 250 ms made the disk waits a share of that growing cost: a stretch
// also holds this many objects, unless it has lasted a second.
constexpr int kStretchObjects = 256;
constexpr qint64 kLongestStretchMilliseconds = 1000;

StretchLost engineError(sqlite3* handle)
{
    return StretchLost(sqlite3_extended_errcode(handle),
                       QStringLiteral("[SQLite]") + QString::fromUtf8(sqlite3_errmsg(handle)));
}

qint64 pragmaValue(sqlite3* handle, const char* pragma)
{
    const db::SqliteStatement stmt(handle, pragma);
    return stmt.rc() == SQLITE_OK && sqlite3_step(stmt.get()) == SQLITE_ROW
               ? sqlite3_column_int64(stmt.get(), 0)
               : 0;
}

// The engine counts a negative cache size in KiB, a positive one in pages.
qint64 cacheKiB(sqlite3* handle, qint64 size)
{
    return size < 0 ? -size : size * pragmaValue(handle, "PRAGMA main.page_size") / 1024;
}

void setCacheSize(sqlite3* handle, qint64 size)
{
    const QByteArray pragma = "PRAGMA main.cache_size = " + QByteArray::number(size);
    sqlite3_exec(handle, pragma.constData(), nullptr, nullptr, nullptr);
}

} // namespace

RunTransaction::RunTransaction(db::Connection* local, bool executes)
{
    if (!executes || !local || !local->isEmbedded()) return;
    m_handle = local->embeddedHandle();
    if (!m_handle) return;
    m_connection = local;
    m_lifetime = local->lifetime();
    // A cache its owner set larger is kept as it is.
    const qint64 before = pragmaValue(m_handle, "PRAGMA main.cache_size");
    if (cacheKiB(m_handle, before) < kPageCacheKiB) {
        m_cacheSizeBefore = before;
        m_cacheRaised = true;
        setCacheSize(m_handle, -kPageCacheKiB);
    }
}

sqlite3* RunTransaction::handleStillOpen() const
{
    if (!m_handle || m_lifetime.expired()) return nullptr;
    return m_connection->embeddedHandle() == m_handle ? m_handle : nullptr;
}

RunTransaction::~RunTransaction()
{
    // Only an exception gets here with a stretch open, and commit() has been
    // tried on that path already: nothing may be left half done.
    sqlite3* handle = handleStillOpen();
    if (!handle) return; // closed with the connection, which rolled back what was open
    if (m_open && !sqlite3_get_autocommit(handle))
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    // The pages beyond the old size are given back now.
    if (m_cacheRaised) setCacheSize(handle, m_cacheSizeBefore);
}

void RunTransaction::enter()
{
    if (!m_handle) return;
    sqlite3* handle = handleStillOpen();
    if (m_open) {
        const qint64 elapsed = m_stretch.elapsed();
        if (!handle || elapsed >= kLongestStretchMilliseconds ||
            (elapsed >= kStretchMilliseconds && m_objects >= kStretchObjects))
            commit();
    }
    if (!m_open) {
        // A connection opened since is not this run's to manage; someone
        // else's transaction is left alone: statements go where it says.
        if (!handle || !sqlite3_get_autocommit(handle)) return;
        // IMMEDIATE: the write lock is taken (or waited for) now, never halfway.
        if (sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw engineError(handle);
        m_open = true;
        m_objects = 0;
        m_stretch.start();
    }
    ++m_objects;
}

void RunTransaction::commit()
{
    if (!m_open) return;
    m_open = false;
    std::vector<std::function<void()>> kept;
    kept.swap(m_whenKept);
    // A connection closed under the stretch rolled it back as it closed.
    sqlite3* handle = handleStillOpen();
    if (!handle || sqlite3_get_autocommit(handle))
        throw StretchLost(
            errnum::ProviderFailure,
            QStringLiteral("[SQLite]the engine rolled back the statements of the update "
                           "run since its last commit"));
    if (sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const StretchLost e = engineError(handle);
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        throw e;
    }
    for (const auto& step : kept)
        step();
}

void RunTransaction::whenKept(std::function<void()> step)
{
    if (m_open)
        m_whenKept.push_back(std::move(step));
    else
        step();
}

} // namespace corvane::schema

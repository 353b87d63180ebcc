#include "runtransaction.h"

#include "base/error.h"
#include "db/connection.h"

#include <sqlite3.h>

namespace corvane::schema {

namespace {

constexpr qint64 kStretchMilliseconds = 250;

StretchLost engineError(sqlite3* handle)
{
    return StretchLost(sqlite3_extended_errcode(handle),
                       QStringLiteral("[SQLite]") + QString::fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

RunTransaction::RunTransaction(db::Connection* local, bool executes)
{
    if (executes && local && local->isEmbedded()) m_handle = local->embeddedHandle();
}

RunTransaction::~RunTransaction()
{
    // Only an exception gets here with a stretch open, and commit() has been
    // tried on that path already: nothing may be left half done.
    if (m_open && !sqlite3_get_autocommit(m_handle))
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

void RunTransaction::enter()
{
    if (!m_handle) return;
    if (m_open && m_stretch.elapsed() >= kStretchMilliseconds) commit();
    // Someone else's transaction is left alone: its statements go where it says.
    if (m_open || !sqlite3_get_autocommit(m_handle)) return;
    // IMMEDIATE: the write lock is taken (or waited for) now, never halfway.
    if (sqlite3_exec(m_handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw engineError(m_handle);
    m_open = true;
    m_stretch.start();
}

void RunTransaction::commit()
{
    if (!m_open) return;
    m_open = false;
    std::vector<std::function<void()>> kept;
    kept.swap(m_whenKept);
    if (sqlite3_get_autocommit(m_handle))
        throw StretchLost(
            errnum::ProviderFailure,
            QStringLiteral("[SQLite]the engine rolled back the statements of the update "
                           "run since its last commit"));
    if (sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const StretchLost e = engineError(m_handle);
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
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

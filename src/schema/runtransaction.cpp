#include "runtransaction.h"

#include "base/error.h"
#include "db/connection.h"

#include <sqlite3.h>

namespace corvane::schema {

namespace {

constexpr qint64 kStretchMilliseconds = 250;

[[noreturn]] void throwEngineError(sqlite3* handle, const QString& what)
{
    throw Error(sqlite3_extended_errcode(handle),
                QStringLiteral("[SQLite]") + what + QString::fromUtf8(sqlite3_errmsg(handle)));
}

} // namespace

RunTransaction::RunTransaction(db::Connection* local)
{
    if (!local || !local->isEmbedded()) return;
    m_handle = local->embeddedHandle();
    // Someone else's transaction is left alone: its statements go where it says.
    if (m_handle && sqlite3_get_autocommit(m_handle)) begin();
}

RunTransaction::~RunTransaction()
{
    // Only an exception gets here with the transaction open, and commit()
    // has been tried on that path already: nothing may be left half done.
    if (m_open && !sqlite3_get_autocommit(m_handle))
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
}

void RunTransaction::begin()
{
    if (sqlite3_exec(m_handle, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        throwEngineError(m_handle, QString());
    m_open = true;
    m_stretch.start();
}

void RunTransaction::checkpoint()
{
    if (!m_open || m_stretch.elapsed() < kStretchMilliseconds) return;
    commit();
    begin();
}

void RunTransaction::commit()
{
    if (!m_open) return;
    m_open = false;
    if (sqlite3_get_autocommit(m_handle))
        throw Error(errnum::ProviderFailure,
                    QStringLiteral("[SQLite]the engine rolled back the statements of the update "
                                   "run since its last commit"));
    if (sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const Error e(sqlite3_extended_errcode(m_handle),
                      QStringLiteral("[SQLite]") + QString::fromUtf8(sqlite3_errmsg(m_handle)));
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        throw e;
    }
}

} // namespace corvane::schema

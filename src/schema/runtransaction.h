#pragma once

#include "base/error.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace corvane::db {
class Connection;
}

namespace corvane::schema {

// The engine could not keep a stretch: objects the run created are lost, so
// the run must stop rather than go on as if they were there.
class StretchLost : public Error
{
public:
    using Error::Error;
};

// The objects the update run creates on the embedded engine, committed in
// stretches of a quarter of a second (and at least 256 objects, up to a
// second) rather than one by one: each commit waits for the disk, and a
// commit per object was most of a run's time. Each
// object is a savepoint inside the stretch, so a failed one is undone alone;
// what ran before a failure is committed before the failure is shown. A run
// killed mid-stretch loses that stretch whole, never part of an object.
// On a SQL Server connection, or when nothing is executed, it does nothing.
class RunTransaction
{
public:
    // The page cache of the local handle while the run lasts, in KiB. Every
    // CREATE makes the engine read the whole sqlite_schema again; with the
    // default 2 MiB cache a large schema comes from the file each time. This
    // holds the schema of 10,000 tables of 20 columns (about 11 MiB) and is
    // only filled as far as the file needs.
    static constexpr int kPageCacheKiB = 16 * 1024;

    RunTransaction(db::Connection* local, bool executes);
    ~RunTransaction();
    RunTransaction(const RunTransaction&) = delete;
    RunTransaction& operator=(const RunTransaction&) = delete;

    // Before an object: opens a stretch, or commits one that is over and
    // opens the next.
    void enter();
    // Commits what is open. Throws when the engine cannot commit, or when it
    // has rolled the stretch back itself (a full disk, an I/O error), so that
    // no run reports success for objects it lost.
    void commit();
    // Runs once what is open is committed (at once when nothing is): the log
    // tells of statements only once they are kept.
    void whenKept(std::function<void()> step);

private:
    // The local connection's handle unless it was closed or reopened since:
    // every use of the handle goes through it.
    sqlite3* handleStillOpen() const;

    sqlite3* m_handle = nullptr; // as it was at the start; null: nothing to do
    const db::Connection* m_connection = nullptr;
    std::weak_ptr<const void> m_lifetime;
    qint64 m_cacheSizeBefore = 0; // as PRAGMA cache_size gave it
    bool m_cacheRaised = false;
    bool m_open = false;
    int m_objects = 0; // entered in the open stretch
    QElapsedTimer m_stretch;
    std::vector<std::function<void()>> m_whenKept;
};

} // namespace corvane::schema

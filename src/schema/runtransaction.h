#pragma once

#include "base/error.h"

#include <QElapsedTimer>
#include <functional>
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
// stretches of a quarter of a second rather than one by one: each commit
// waits for the disk, and a commit per object was most of a run's time. Each
// object is a savepoint inside the stretch, so a failed one is undone alone;
// what ran before a failure is committed before the failure is shown. A run
// killed mid-stretch loses that stretch whole, never part of an object.
// On a SQL Server connection, or when nothing is executed, it does nothing.
class RunTransaction
{
public:
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
    sqlite3* m_handle = nullptr; // null: nothing to do
    bool m_open = false;
    QElapsedTimer m_stretch;
    std::vector<std::function<void()>> m_whenKept;
};

} // namespace corvane::schema

#pragma once

#include <QElapsedTimer>

struct sqlite3;

namespace corvane::db {
class Connection;
}

namespace corvane::schema {

// The update run's statements on the embedded engine, committed in stretches
// of a quarter of a second rather than one by one: each commit waits for the
// disk, and a commit per object was most of a run's time. A statement that
// fails is undone alone, as in autocommit, and what ran before a failure is
// committed before the failure is shown, so created objects stay created.
// On a SQL Server connection it does nothing.
class RunTransaction
{
public:
    explicit RunTransaction(db::Connection* local);
    ~RunTransaction();
    RunTransaction(const RunTransaction&) = delete;
    RunTransaction& operator=(const RunTransaction&) = delete;

    // Between two objects: commits when the stretch is over and goes on.
    void checkpoint();
    // Commits and ends. Throws when the engine cannot commit, or when it has
    // rolled the stretch back itself (a full disk, an I/O error), so that no
    // run reports success for objects it lost.
    void commit();

private:
    void begin();

    sqlite3* m_handle = nullptr; // null: nothing to do
    bool m_open = false;
    QElapsedTimer m_stretch;
};

} // namespace corvane::schema

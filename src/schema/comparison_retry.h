#pragma once

#include "base/error.h"
#include "db/connection.h"

#include <memory>
#include <utility>
#include <vector>

namespace corvane {
struct Context;
}

namespace corvane::schema {

// The comparison's way with failures: every action is tried again after the
// reference connection has been reopened, four times per run in all. The
// fifth failure, or a reopening that fails, ends the run with this.
struct RunAbandoned
{
    Error error;
};

// What ADO reports when a query is given a connection that is not there.
Error objectClosed();

class ReferenceRetry
{
public:
    static constexpr int kFailuresAllowed = 4;

    explicit ReferenceRetry(Context& ctx) : m_ctx(ctx) {}
    ReferenceRetry(const ReferenceRetry&) = delete;
    ReferenceRetry& operator=(const ReferenceRetry&) = delete;

    // Runs one action; on failure reopens the reference connection and runs
    // it again, and only it. Throws RunAbandoned when the budget is spent.
    template <typename Action> auto attempt(Action&& action) -> decltype(action())
    {
        for (;;) {
            try {
                return action();
            } catch (const Error& e) {
                recover(e);
            }
        }
    }

    int failures() const { return m_failures; }

    // The reference connection as it stands now: a retried action must reach
    // the reopened one, never a reference taken before the failure.
    db::Connection& reference();

private:
    void recover(const Error& failure);
    void reopenReference(const Error& failure);

    Context& m_ctx;
    int m_failures = 0;
    // Connections replaced by a reopening stay alive as long as this object,
    // since a recordset of the run may still read from one of them.
    std::vector<std::unique_ptr<db::Connection>> m_retired;
};

} // namespace corvane::schema

#pragma once

#include <QString>

namespace corvane {

// What a run did, counted for the report at its end.
enum class RunEvent {
    StatementExecuted,
    StatementFailed,
    // A preview lists the statement instead of executing it.
    StatementPreviewed,
    TableCreated,
    ColumnAdded,
    ViewCreated,
    RowInserted,
    VersionWritten,
    FileFetched,
    ExecutableReplaced,
    // Another run holds the program folder; this one waits for it.
    WaitingForOtherRun,
};

// The two halves of an update, each with a verdict of its own.
enum class RunHalf { Database, Program };

// The run log: one line per event worth keeping (a statement executed, a file
// fetched, a program launched). The default records nothing; a log that cannot
// be written never stops the work.
class EventLog
{
public:
    virtual ~EventLog() = default;
    virtual void record(const QString& line) { Q_UNUSED(line); }
    // Detail below the run log's level (each catalogue query of a comparison,
    // tens of thousands on a large schema): kept by diagnostics and tests,
    // not by the run log.
    virtual void trace(const QString& line) { Q_UNUSED(line); }
    // An event the end of the run counts. The run log keeps `line`; `subject`
    // is the statement, object or file it is about, `bytes` a file's size.
    virtual void note(RunEvent event, const QString& line, const QString& subject = {},
                      qint64 bytes = 0)
    {
        Q_UNUSED(event);
        Q_UNUSED(subject);
        Q_UNUSED(bytes);
        record(line);
    }
    // The half of the update the work from here on belongs to; returns the
    // half it replaces.
    virtual RunHalf enterHalf(RunHalf half) { return half; }
};

// The work of a scope belongs to one half; the previous half comes back at its end.
class HalfScope
{
public:
    HalfScope(EventLog& log, RunHalf half) : m_log(log), m_previous(log.enterHalf(half)) {}
    ~HalfScope() { m_log.enterHalf(m_previous); }
    HalfScope(const HalfScope&) = delete;
    HalfScope& operator=(const HalfScope&) = delete;

private:
    EventLog& m_log;
    RunHalf m_previous;
};

} // namespace corvane

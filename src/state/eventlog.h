#pragma once

#include <QString>

namespace corvane {

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
};

} // namespace corvane

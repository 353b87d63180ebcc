#pragma once

#include "eventlog.h"

#include <QString>

namespace corvane {

// CorvaneUpdate.log in the program folder: one line per event, with the time
// and the process id, appended. Past the size limit the old log becomes
// CorvaneUpdate.log.1. A log that cannot be written, or that is not a plain
// file (a FIFO, a device), is skipped: it never stops or holds up the update.
class RunLog : public EventLog
{
public:
    explicit RunLog(QString folder, qint64 limitBytes = 1024 * 1024);

    void record(const QString& line) override;
    QString path() const;

private:
    QString m_folder;
    qint64 m_limit;
    qint64 m_process;
};

} // namespace corvane

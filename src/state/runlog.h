#pragma once

#include "eventlog.h"

#include <QString>

namespace corvane {

// CorvaneUpdate.log in the program folder: one time-stamped line per event,
// appended. Past the size limit the old log becomes CorvaneUpdate.log.1.
// A log that cannot be written is skipped: it never stops the update.
class RunLog : public EventLog
{
public:
    explicit RunLog(QString folder, qint64 limitBytes = 1024 * 1024);

    void record(const QString& line) override;
    QString path() const;

private:
    QString m_folder;
    qint64 m_limit;
};

} // namespace corvane

#pragma once

#include "state/eventlog.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <functional>

namespace corvane {

class FormState;

// Exit status of a run.
inline constexpr int kExitUpToDate = 0;
inline constexpr int kExitCriticalShown = 1;
inline constexpr int kExitStartupEnded = 2;
inline constexpr int kExitWorkRemains = 3;

// Where one half of the update ended.
enum class Verdict { UpToDate, Behind, Failed, NotChecked };

// The database half is up to date when a comparison found every row green
// and the two database versions agree; the program half when the version
// check found the installed version equal to the published one.
Verdict databaseVerdict(const FormState& form, bool failed);
Verdict programVerdict(const FormState& form, bool failed);
QString verdictName(Verdict verdict);

// The run log as the whole run writes it, counting what the run did for the
// report at its end: statements, objects created, default rows, files
// fetched, and which half of the update a critical box belonged to.
class RunTally : public EventLog
{
public:
    explicit RunTally(EventLog& inner, QDateTime started = QDateTime::currentDateTime());

    void record(const QString& line) override { m_inner.record(line); }
    void trace(const QString& line) override { m_inner.trace(line); }
    void note(RunEvent event, const QString& line, const QString& subject = {},
              qint64 bytes = 0) override;
    RunHalf enterHalf(RunHalf half) override;

    // A critical box was shown: the half under way has failed.
    void criticalBoxShown();
    bool criticalShown() const { return m_failed[0] || m_failed[1]; }

    // Events the transcript of a quiet run carries as they happen (a statement
    // of a preview, a wait for another run), one JSON object each.
    void setTranscript(std::function<void(const QJsonObject&)> write)
    {
        m_transcript = std::move(write);
    }

    // 0 up to date, 1 a critical box, 2 the start-up ended the program, 3 work
    // remains. Without a window there is nothing to judge: the code stands.
    int exitStatus(int requested, const FormState* form) const;
    // Times, counts and the verdict of each half, for the end of the run.
    QJsonObject report(const FormState* form, const QDateTime& ended) const;

private:
    struct File
    {
        QString name;
        qint64 bytes;
    };

    EventLog& m_inner;
    QDateTime m_started;
    std::function<void(const QJsonObject&)> m_transcript;
    RunHalf m_half = RunHalf::Database;
    bool m_failed[2] = {false, false};
    int m_executed = 0;
    int m_failedStatements = 0;
    int m_previewed = 0;
    int m_tables = 0;
    int m_columns = 0;
    int m_views = 0;
    int m_rows = 0;
    bool m_versionWritten = false;
    bool m_executableReplaced = false;
    QList<File> m_files;
};

} // namespace corvane

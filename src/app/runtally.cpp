#include "runtally.h"

#include "base/strings.h"
#include "schema/comparison.h"
#include "schema/updaterun_texts.h"
#include "state/formstate.h"

#include <QJsonArray>

namespace corvane {

namespace {

bool hasRedRow(const FlexGrid& grid)
{
    for (int r = 1; r < grid.Rows(); ++r)
        if (grid.cellColour(r, 2) == colour::Red) return true;
    return false;
}

bool bothGreen(const Control& a, const Control& b)
{
    return a.foreColour() == colour::Green && b.foreColour() == colour::Green;
}

int halfIndex(RunHalf half)
{
    return half == RunHalf::Database ? 0 : 1;
}

// Local time with its offset from UTC, so a reader elsewhere can place it.
QString stamp(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

} // namespace

Verdict databaseVerdict(const FormState& form, bool failed)
{
    if (failed) return Verdict::Failed;
    if (hasRedRow(form.FlexDb)) return Verdict::Behind;
    // The verdict line is emptied at start-up and set by each comparison.
    const QString verdict = form.lblEsito.caption().toUpper();
    if (verdict == comparisontext::SomeOutdated.toUpper()) return Verdict::Behind;
    if (verdict != comparisontext::AllUpToDate.toUpper()) return Verdict::NotChecked;
    return bothGreen(form.lblBDLocale, form.lblDBDashmoor) ? Verdict::UpToDate : Verdict::Behind;
}

Verdict programVerdict(const FormState& form, bool failed)
{
    if (failed) return Verdict::Failed;
    if (bothGreen(form.lblVerProgLocale, form.lblVerProgDashmoor)) return Verdict::UpToDate;
    // No published version read: the initial text, or "Nessuna".
    const QString published = trimSpaces(form.lblVerProgDashmoor.caption());
    if (published == QStringLiteral("9.9.9") || published == updatetext::NoVersion)
        return Verdict::NotChecked;
    return Verdict::Behind;
}

QString verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::UpToDate:
        return QStringLiteral("up-to-date");
    case Verdict::Behind:
        return QStringLiteral("behind");
    case Verdict::Failed:
        return QStringLiteral("failed");
    case Verdict::NotChecked:
        break;
    }
    return QStringLiteral("not-checked");
}

RunTally::RunTally(EventLog& inner, QDateTime started)
    : m_inner(inner), m_started(std::move(started))
{
}

void RunTally::note(RunEvent event, const QString& line, const QString& subject, qint64 bytes)
{
    switch (event) {
    case RunEvent::StatementExecuted:
        ++m_executed;
        break;
    case RunEvent::StatementFailed:
        ++m_failedStatements;
        break;
    case RunEvent::StatementPreviewed:
        ++m_previewed;
        if (m_transcript)
            m_transcript({{QStringLiteral("event"), QStringLiteral("statement")},
                          {QStringLiteral("sql"), subject}});
        break;
    case RunEvent::TableCreated:
        ++m_tables;
        break;
    case RunEvent::ColumnAdded:
        ++m_columns;
        break;
    case RunEvent::ViewCreated:
        ++m_views;
        break;
    case RunEvent::RowInserted:
        ++m_rows;
        break;
    case RunEvent::VersionWritten:
        m_versionWritten = true;
        break;
    case RunEvent::FileFetched:
        m_files.append({subject, bytes});
        break;
    case RunEvent::ExecutableReplaced:
        m_executableReplaced = true;
        break;
    case RunEvent::WaitingForOtherRun:
        if (m_transcript)
            m_transcript({{QStringLiteral("event"), QStringLiteral("waiting")},
                          {QStringLiteral("lock"), subject}});
        break;
    }
    m_inner.note(event, line, subject, bytes);
}

RunHalf RunTally::enterHalf(RunHalf half)
{
    const RunHalf previous = m_half;
    m_half = half;
    return previous;
}

void RunTally::criticalBoxShown()
{
    m_failed[halfIndex(m_half)] = true;
}

int RunTally::exitStatus(int requested, const FormState* form) const
{
    if (requested == kExitStartupEnded) return kExitStartupEnded;
    if (criticalShown()) return kExitCriticalShown;
    if (requested != kExitUpToDate || !form) return requested;
    const bool upToDate = databaseVerdict(*form, false) == Verdict::UpToDate &&
                          programVerdict(*form, false) == Verdict::UpToDate;
    return upToDate ? kExitUpToDate : kExitWorkRemains;
}

QJsonObject RunTally::report(const FormState* form, const QDateTime& ended) const
{
    QJsonObject database{{QStringLiteral("tablesCreated"), m_tables},
                         {QStringLiteral("columnsAdded"), m_columns},
                         {QStringLiteral("viewsCreated"), m_views},
                         {QStringLiteral("statementsExecuted"), m_executed},
                         {QStringLiteral("statementsFailed"), m_failedStatements},
                         {QStringLiteral("defaultRowsInserted"), m_rows},
                         {QStringLiteral("versionWritten"), m_versionWritten}};
    if (m_previewed > 0) database.insert(QStringLiteral("statementsPreviewed"), m_previewed);
    QJsonArray files;
    for (const File& f : m_files)
        files.append(
            QJsonObject{{QStringLiteral("name"), f.name}, {QStringLiteral("bytes"), f.bytes}});
    QJsonObject program{{QStringLiteral("filesFetched"), files},
                        {QStringLiteral("executableReplaced"), m_executableReplaced}};
    if (form) {
        database.insert(
            QStringLiteral("verdict"),
            verdictName(databaseVerdict(*form, m_failed[halfIndex(RunHalf::Database)])));
        program.insert(QStringLiteral("verdict"),
                       verdictName(programVerdict(*form, m_failed[halfIndex(RunHalf::Program)])));
    }
    return {{QStringLiteral("started"), stamp(m_started)},
            {QStringLiteral("ended"), stamp(ended)},
            {QStringLiteral("seconds"), m_started.msecsTo(ended) / 1000.0},
            {QStringLiteral("database"), database},
            {QStringLiteral("program"), program}};
}

} // namespace corvane

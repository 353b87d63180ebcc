#pragma once

#include "state/context.h"
#include "support/scriptedplatform.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace corvane::test {

// The box ControllaVersioneProgramma shows when the update server cannot be
// reached (the tests point it at a closed loopback port).
inline const QString kFtpUnreachable = QStringLiteral("Server FTP non trovato!");

// Counts what the run records: one line per catalogue query.
class CountingLog : public EventLog
{
public:
    void record(const QString& line) override { lines << line; }
    void trace(const QString& line) override { lines << line; }
    QStringList lines;
};

// The scripted platform, with a look at the window whenever a box shows.
class WatchedPlatform : public ScriptedPlatform
{
public:
    Answer messageBox(const QString& text, const QString& title, int style) override
    {
        if (onBox) onBox(text);
        return ScriptedPlatform::messageBox(text, title, style);
    }
    std::function<void(const QString&)> onBox;
};

// A window, the global state and two embedded databases, "Corvane" (the
// reference) and "Locale", connected as the start-up sequence leaves them.
struct ComparisonBench
{
    ComparisonBench(const QString& referenceSql, const QString& localSql);

    QString referencePath() const;
    // Every data row as "Tabella|Campo|Stato|colour", the colour being that
    // of every cell of the row, or "mixed:" and each cell's colour.
    QStringList gridRows() const;

    QTemporaryDir dir;
    GlobalState g;
    FormState form;
    WatchedPlatform port;
    CountingLog log;
    Context ctx{form, g, port, log};
};

// Points the program's FTP check at a closed loopback port.
void pointFtpAtClosedPort();

// A golden case folder: reference.sql, local.sql, expected.txt.
struct GoldenCase
{
    QString referenceSql;
    QString localSql;
    QStringList rows; // as ComparisonBench::gridRows
    QString verdict;
};
GoldenCase loadGoldenCase(const QString& folder);
QStringList goldenCaseFolders();

// The yields the run owes a grid: one per column row, per table row and per
// view row of the reference's view list (not the two fixed view rows).
int yieldsOwed(const QStringList& rows);

} // namespace corvane::test

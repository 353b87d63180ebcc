#pragma once

#include "state/context.h"
#include "support/fakesqldmo.h"
#include "support/scriptedplatform.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace corvane::test {

struct RecordingLog : EventLog
{
    QStringList lines;
    void record(const QString& line) override { lines << line; }
    // The statements the update run sent, in order.
    QStringList executed() const;
};

// A reference database "Corvane" and a local database "Locale" on the embedded
// engine, in one folder, with the window, the settings and the connections of
// a started program. The program folder is a folder of its own.
struct UpdateRunFixture
{
    QTemporaryDir dir;
    QTemporaryDir programFolder;
    FormState form;
    GlobalState g;
    ScriptedPlatform port;
    RecordingLog log;
    Context ctx{form, g, port, log};

    UpdateRunFixture();

    void reference(const QString& sql);
    void local(const QString& sql);
    // Opens both connections and shows "DB Connesso", as the start-up does.
    void connect();
    // Serves scripts and columns from a stand-in component instead of the engine.
    std::shared_ptr<FakeSqlDmoApplication> useFakeComponent();

    // The box the program version check shows while the update server is unreachable.
    void expectVersionCheckBox();
    // A comparison run, as the button starts it.
    void compare();

    // A grid as the comparison leaves it: {object, column, red?} per data row.
    struct GridRow
    {
        QString object;
        QString column;
        bool red;
    };
    void setGrid(const QList<GridRow>& rows);
    // "object|column" of each data row whose status cell is red.
    QStringList redRows() const;

    QStringList localRows(const QString& sql) const;
    QStringList localObjects() const; // "table X" / "view Y", sorted
};

// What the update-server check shows: every test runs with it unreachable.
void useClosedUpdateServer();

// A dump of a database for golden comparisons: every table with its columns
// and rows (in order), every view; "{YEAR}" stands for this year.
QString dumpDatabase(const QString& folder, const QString& name);

} // namespace corvane::test

#pragma once

// The world a test of the module runs in: a temporary folder with the
// embedded databases, the window's state, the global state, the scripted
// platform and a log the test can read, wired into one Context.

#include "state/context.h"
#include "support/scriptedplatform.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace corvane::test {

// The embedded databases of a world: the maker's reference and the customer's.
inline const QString kReferenceDatabase = QStringLiteral("Corvane");
inline const QString kLocalDatabase = QStringLiteral("Locale");

// The box the program version check shows while the update server cannot be
// reached (tests point it at a closed loopback port).
inline const QString kFtpUnreachable = QStringLiteral("Server FTP non trovato!");

// Every line the program logs, in order: the run log's lines and, apart, the
// trace (the comparison's catalogue queries).
class RecordingLog : public EventLog
{
public:
    void record(const QString& line) override;
    void trace(const QString& line) override { traced << line; }

    // The statements the update run executed, in order.
    QStringList executed() const;

    QStringList lines;
    QStringList traced;
    // Called after each recorded line, e.g. to look at the window right then.
    std::function<void()> onRecord;
};

// A temporary folder holding embedded databases.
class TestFolder
{
public:
    TestFolder();

    QString path() const { return dir.path(); }
    QString file(const QString& name) const { return dir.filePath(name); }
    // "sqlite:<folder>": the data source of the folder's databases.
    QString server() const;
    // Runs an SQL script on <folder>/<name>.db, creating the file if needed.
    void run(const QString& name, const QString& sql) const;
    void reference(const QString& sql) const { run(kReferenceDatabase, sql); }
    void local(const QString& sql) const { run(kLocalDatabase, sql); }
    // Rows of a query, each row's values joined by "|".
    QStringList rows(const QString& name, const QString& sql) const;
    QStringList localRows(const QString& sql) const { return rows(kLocalDatabase, sql); }
    QString connectionString(const QString& name) const;
    std::unique_ptr<db::Connection> open(const QString& name) const;

    // The settings of the folder's databases as the start-up sequence leaves them.
    void useSettings(GlobalState& g) const;
    // Opens both connections and shows "DB Connesso", as the start-up leaves them.
    void connect(GlobalState& g, FormState& form) const;

    QTemporaryDir dir;
};

// A test folder with the window's controls as plain state, the global state
// with the settings of the folder's databases, a platform (its program folder
// is the test folder) and a log, wired into one Context. The tests run on the
// scripted platform; the benchmarks put their own platform and log here.
template <typename Port, typename Log = RecordingLog> class BasicWorld : public TestFolder
{
public:
    BasicWorld()
    {
        port.folder = path();
        useSettings(g);
    }
    void connect() { TestFolder::connect(g, form); }

    FormState form;
    GlobalState g;
    Port port;
    Log log;
    Context ctx{form, g, port, log};
};

using World = BasicWorld<ScriptedPlatform>;

// Points the program version check at a loopback port nobody listens on.
void useClosedUpdateServer();

// The tables the database version check reads and writes; with a version,
// also the row that holds it.
QString versionTables(const QString& version = {});

// Writes what the start-up sequence needs in a program folder: conf.ini
// naming the embedded local database, and the local and reference databases
// holding version 3.1.
void writeProgramFolder(const QString& folder);
void writeConfIni(const QString& folder, const QByteArray& bytes);

} // namespace corvane::test

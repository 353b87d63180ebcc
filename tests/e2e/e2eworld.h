#pragma once

// The world of the end-to-end runs: the real executable in a program folder
// of its own, the demo's embedded databases and a real FTP server.

#include "support/ftptestserver.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace corvane::e2e {

// The customer's database in the program folder, the maker's in the reference folder.
inline const QString kLocalName = QStringLiteral("Bellini");
inline const QString kReferenceName = QStringLiteral("Corvane");

// A minimal Windows executable with a version resource.
void makeExe(const QString& path, const QString& version);

// What one run of the executable left: its exit code, its standard error and
// the JSON lines of its standard output.
struct Run
{
    int exit = -1;
    QByteArray errors;
    QList<QJsonObject> events;

    QJsonObject end() const { return events.isEmpty() ? QJsonObject() : events.last(); }
    QList<QJsonObject> eventsOf(const QString& kind) const;
    QStringList boxTexts() const;
    QJsonObject label(const char* name) const;
    QJsonArray redRows() const;
    // The transcript's "database" or "program" report.
    QJsonObject half(const char* name) const { return end()[QLatin1String(name)].toObject(); }
};

// The program's file name as built (corvane-update, corvane-update.exe).
QString binaryName();

// The demo world in a temporary folder: program folder, reference, FTP root.
struct World
{
    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void startFtp(const QStringList& extra = {});
    void stopFtp() { ftp.reset(); }
    // The environment a run gets: no display, the world's servers.
    QProcessEnvironment environment(const QString& referenceHost = {}) const;
    // Starts the executable without waiting for it.
    void start(QProcess& p, const QStringList& arguments, const QString& referenceHost = {}) const;
    // Waits for a started run and collects what it left.
    static Run finish(QProcess& p, int timeoutMs = 120000);
    Run run(const QStringList& arguments, const QString& referenceHost = {}) const;

    // More SQL on the reference and on the local database, one transaction each.
    void extend(const QString& referenceSql, const QString& localSql = {}) const;
    // The update server publishes the program the folder has: nothing to fetch.
    void publishSameProgram() const;

    QString localVersion() const;
    QStringList localObjects() const;
    // Rows of a query on the local database, each row's values joined by "|".
    QStringList localRows(const QString& sql) const;
    // The whole local database as sqlite3 .dump writes it.
    QByteArray localDump() const;
    QByteArray runLog() const;

    QTemporaryDir dir;
    QString program, reference, ftpFolder;
    std::unique_ptr<corvane::test::FtpTestServer> ftp;
};

} // namespace corvane::e2e

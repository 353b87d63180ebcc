#pragma once

#include "state/context.h"
#include "support/ftptestserver.h"
#include "support/scriptedplatform.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace corvane::test {

// Builds a Windows executable with binutils-mingw-w64 (see pe/buildpe.sh).
// Returns the builder's complaint, empty on success.
QString buildPe(const QString& out, const QString& arch, const QStringList& options = {});
// Bytes that are not text: every byte value, in a pseudo-random order.
QByteArray binaryPayload(qsizetype size, quint32 seed);
void writeFile(const QString& path, const QByteArray& content);
QByteArray readFile(const QString& path);

// An event log the tests can read.
struct RecordingLog : EventLog
{
    QStringList lines;
    std::function<void()> onRecord;
    void record(const QString& line) override
    {
        lines << line;
        if (onRecord) onRecord();
    }
};

// A program folder, a distribution folder on a real FTP server, and the
// window's state, wired into one Context.
class UpdateWorld
{
public:
    UpdateWorld();
    ~UpdateWorld();

    // Starts the server with the fault switches and points the program at it.
    bool startServer(const QStringList& switches = {});
    // Points the program at a host that does not answer.
    void useHost(const QString& hostAndPort);

    QString program;      // the program folder
    QString distribution; // /distributori/CORVANE on the server
    QString serverRoot;
    ScriptedPlatform port;
    FormState form;
    GlobalState globals;
    RecordingLog log;
    Context ctx{form, globals, port, log};
    std::unique_ptr<FtpTestServer> server;

    QString inProgram(const QString& name) const { return program + QLatin1Char('/') + name; }
    QString inDistribution(const QString& name) const
    {
        return distribution + QLatin1Char('/') + name;
    }
    // Names in the program folder, sorted, hidden files included.
    QStringList programFiles() const;

private:
    QTemporaryDir m_dir;
};

} // namespace corvane::test

#pragma once

#include "support/ftptestserver.h"
#include "support/testfiles.h"
#include "support/world.h"

#include <QByteArray>
#include <QStringList>
#include <memory>

namespace corvane::test {

// Bytes that are not text: every byte value, in a pseudo-random order.
QByteArray binaryPayload(qsizetype size, quint32 seed);

// A program folder, a distribution folder on a real FTP server, and the
// window's state, wired into one Context.
class UpdateWorld : public World
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
    std::unique_ptr<FtpTestServer> server;

    QString inProgram(const QString& name) const { return program + QLatin1Char('/') + name; }
    QString inDistribution(const QString& name) const
    {
        return distribution + QLatin1Char('/') + name;
    }
    // Names in the program folder, sorted, hidden files included.
    QStringList programFiles() const;
};

} // namespace corvane::test

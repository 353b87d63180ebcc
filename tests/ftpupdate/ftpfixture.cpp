#include "ftpfixture.h"

#include "ftpupdate/ftpsession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace corvane::test {

QByteArray binaryPayload(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    // Line ends and NULs that a text-mode transfer would alter.
    const char awkward[] = {'\r', '\n', '\0', '\x1a', '\r', '\r', '\n', '\n'};
    for (qsizetype i = 0; i < size && i < qsizetype(sizeof awkward); ++i)
        bytes[i] = awkward[i];
    return bytes;
}

UpdateWorld::UpdateWorld()
{
    program = dir.filePath(QStringLiteral("program"));
    serverRoot = dir.filePath(QStringLiteral("server"));
    distribution = serverRoot + QStringLiteral("/distributori/CORVANE");
    QDir().mkpath(program);
    QDir().mkpath(distribution);
    port.folder = program;
    ftpTimeouts().connectSeconds = 5;
    ftpTimeouts().stallSeconds = 2;
}

UpdateWorld::~UpdateWorld()
{
    qunsetenv("CORVANE_FTP_HOST");
}

bool UpdateWorld::startServer(const QStringList& switches)
{
    server = std::make_unique<FtpTestServer>(serverRoot, switches);
    if (!server->start()) {
        qWarning("FTP test server: %s", qPrintable(server->errors()));
        return false;
    }
    useHost(server->hostAndPort());
    return true;
}

void UpdateWorld::useHost(const QString& hostAndPort)
{
    qputenv("CORVANE_FTP_HOST", hostAndPort.toUtf8());
}

QStringList UpdateWorld::programFiles() const
{
    QStringList names = QDir(program).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace corvane::test

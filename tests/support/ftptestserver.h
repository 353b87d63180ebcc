#pragma once

#include "hostprocess.h"

#include <QString>
#include <QStringList>

namespace corvane::test {

// The pyftpdlib server of tests/support/ftpserver.py on a free loopback port,
// serving `root` with the fault switches given. Stopped when destroyed.
class FtpTestServer
{
public:
    explicit FtpTestServer(QString root, QStringList switches = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Starts the server and waits until it listens. False (see errors()) otherwise.
    bool start();
    int port() const { return m_port; }
    // "127.0.0.1:<port>", the form CORVANE_FTP_HOST takes.
    QString hostAndPort() const;
    QString errors() const;

private:
    QString m_root;
    QStringList m_switches;
    HostProcess m_process;
    int m_port = 0;
    QString m_errors;
};

} // namespace corvane::test

#pragma once

#include "ftpupdate/ftpsettings.h"
#include "support/hostprocess.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// Real parts for the tests of the trusted update: certificates made with the
// openssl command line, vsftpd (Debian's FTP server), a CONNECT proxy, and the
// maker's signing tool. Everything listens on loopback only.
namespace corvane::test {

// A CA, a certificate for 127.0.0.1 signed by it, and a second CA that
// signed nothing of ours. Made fresh in `folder` by the openssl tool.
struct TestCertificates
{
    QString caFile;
    QString otherCaFile;
    QString certFile;
    QString keyFile;
    // Empty on success, else what openssl said.
    QString make(const QString& folder);
};

// vsftpd on a free loopback port, run in the foreground with a configuration
// written at test time. Anonymous login only (the account of the program
// would need a system user), so tests log in with anonymousSettings().
class VsftpdServer
{
public:
    struct Options
    {
        QString root;              // served as /, must be world-readable
        QString certFile, keyFile; // TLS offered when set
        bool tlsRequired = false;  // refuse plain-text logins and transfers
        QStringList extraLines;    // further vsftpd.conf lines
    };
    ~VsftpdServer();
    // Why vsftpd cannot run here ("" when it can): it must be installed, and
    // it needs root to change to its unprivileged user.
    static QString unavailable();
    // Empty on success, else why it did not start.
    QString start(const Options& options, const QString& workFolder);
    int port() const { return m_port; }
    // The settings of the update server, pointed at this server.
    FtpSettings anonymousSettings() const;

private:
    QProcess m_process;
    int m_port = 0;
};

// Makes the chain of folders down to `path` world-readable, as a server
// running under another user needs.
void openToOthers(const QString& path);

// An HTTP CONNECT proxy (tests/support/connectproxy.py) that logs each tunnel it opens.
class ConnectProxy
{
public:
    ~ConnectProxy();
    QString start(); // empty on success
    int port() const { return m_port; }
    // "CONNECT host:port" for every tunnel so far.
    QStringList tunnels();

private:
    HostProcess m_process;
    int m_port = 0;
    QStringList m_tunnels;
};

// Runs corvane-sign with the arguments; empty on success, else its stderr.
QString signTool(const QStringList& arguments);
// Makes a key pair in `folder` (publisher.key, publisher.pub) and returns the
// raw public key.
QByteArray makePublisherKey(const QString& folder,
                            const QString& name = QStringLiteral("publisher"));

} // namespace corvane::test

#include "trustfixture.h"

#include "ftpupdate/ed25519.h"
#include "ftpupdate/manifest.h"
#include "support/helperprocess.h"
#include "support/loopback.h"
#include "support/testplatform.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

namespace corvane::test {

namespace {

// Runs the build machine's program (openssl) on files in `folder`: those
// arguments go through hostPath(). Empty on success, else the command and its
// complaint.
QString run(const QString& program, const QString& folder, QStringList arguments)
{
    for (QString& a : arguments)
        if (a.startsWith(folder)) a = hostPath(a);
    const HostRun r = runOnHost(program, arguments, 60000);
    if (!r.finished || r.exitCode != 0)
        return program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) +
               QStringLiteral(": ") + r.error + QString::fromUtf8(r.err);
    return {};
}

} // namespace

QString TestCertificates::make(const QString& folder)
{
    const QString openssl = QStringLiteral("openssl");
    caFile = folder + QStringLiteral("/ca.pem");
    otherCaFile = folder + QStringLiteral("/other-ca.pem");
    certFile = folder + QStringLiteral("/server.pem");
    keyFile = folder + QStringLiteral("/server.key");
    const QString csr = folder + QStringLiteral("/server.csr");
    const QString extensions = folder + QStringLiteral("/server.ext");
    QFile ext(extensions);
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return ext.errorString();
    ext.close();
    const auto newCa = [&](const QString& pem, const QString& key, const QString& name) {
        return run(openssl, folder,
                   {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                    "-nodes", "-days", "2", "-subj", "/CN=" + name, "-keyout", key, "-out", pem});
    };
    const QString caKey = folder + QStringLiteral("/ca.key");
    QString error = newCa(caFile, caKey, QStringLiteral("Corvane Test CA"));
    if (error.isEmpty())
        error = newCa(otherCaFile, folder + QStringLiteral("/other-ca.key"),
                      QStringLiteral("Other Test CA"));
    if (error.isEmpty())
        error = run(openssl, folder,
                    {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                     "-subj", "/CN=127.0.0.1", "-keyout", keyFile, "-out", csr});
    if (error.isEmpty())
        error = run(openssl, folder,
                    {"x509", "-req", "-in", csr, "-CA", caFile, "-CAkey", caKey, "-CAcreateserial",
                     "-days", "2", "-extfile", extensions, "-out", certFile});
    // vsftpd reads the key after dropping to its own user.
    QFile::setPermissions(keyFile, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    return error;
}

VsftpdServer::~VsftpdServer()
{
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString VsftpdServer::unavailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("vsftpd"), {"/usr/sbin", "/sbin"}).isEmpty())
        return QStringLiteral("vsftpd is not installed (scripts/setup installs it)");
#ifdef Q_OS_WIN
    return QStringLiteral("vsftpd runs on Unix only");
#endif
    if (!runsAsRoot()) return QStringLiteral("vsftpd needs root to run as its own user");
    return {};
}

QString VsftpdServer::start(const Options& options, const QString& workFolder)
{
    const QString empty = workFolder + QStringLiteral("/vsftpd-empty");
    QDir().mkpath(empty);
    openToOthers(options.root);
    openToOthers(empty);
    m_port = freeLoopbackPort();
    QStringList lines{"listen=YES",
                      "listen_ipv6=NO",
                      "background=NO",
                      "listen_address=127.0.0.1",
                      QStringLiteral("listen_port=%1").arg(m_port),
                      "pasv_enable=YES",
                      "pasv_address=127.0.0.1",
                      "anonymous_enable=YES",
                      "no_anon_password=YES",
                      "anon_root=" + options.root,
                      "local_enable=NO",
                      "write_enable=NO",
                      "secure_chroot_dir=" + empty,
                      "ftp_username=ftp",
                      "seccomp_sandbox=NO",
                      "xferlog_enable=NO",
                      "syslog_enable=NO",
                      "vsftpd_log_file=" + workFolder + QStringLiteral("/vsftpd.log")};
    if (!options.certFile.isEmpty()) {
        lines << "ssl_enable=YES"
              << "allow_anon_ssl=YES"
              << "rsa_cert_file=" + options.certFile << "rsa_private_key_file=" + options.keyFile
              << QStringLiteral("force_anon_logins_ssl=%1").arg(options.tlsRequired ? "YES" : "NO")
              << QStringLiteral("force_anon_data_ssl=%1").arg(options.tlsRequired ? "YES" : "NO");
    }
    lines << options.extraLines;
    const QString config = workFolder + QStringLiteral("/vsftpd.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.join('\n').toUtf8() + '\n') < 0)
        return file.errorString();
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("vsftpd"), {config});
    if (!m_process.waitForStarted(5000)) return m_process.errorString();
    // vsftpd says nothing when it listens: wait until a connection is taken.
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            return QStringLiteral("vsftpd ended: ") + QString::fromUtf8(m_process.readAll());
        if (acceptsConnections(m_port)) return {};
        QThread::msleep(20);
    }
    return QStringLiteral("vsftpd did not listen on port %1").arg(m_port);
}

FtpSettings VsftpdServer::anonymousSettings() const
{
    FtpSettings settings = FtpSettings::updateServer();
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = m_port;
    settings.user = QStringLiteral("anonymous");
    settings.password = QString();
    return settings;
}

void openToOthers(const QString& path)
{
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther;
    QDir dir(path);
    const QString temp = QDir::tempPath();
    while (dir.absolutePath().startsWith(temp) && dir.absolutePath() != temp) {
        QFile::setPermissions(dir.absolutePath(), open);
        if (!dir.cdUp()) break;
    }
}

ConnectProxy::~ConnectProxy()
{
    stopTestServer(m_process);
}

QString ConnectProxy::start()
{
    QString errors;
    const QByteArray line =
        startTestServer(m_process, QStringLiteral("connectproxy.py"), {}, errors);
    m_port = line.startsWith("PORT ") ? line.mid(5).toInt() : 0;
    return m_port > 0 ? QString() : errors + QString::fromUtf8(line);
}

QStringList ConnectProxy::tunnels()
{
    m_tunnels.clear();
    for (const QByteArray& line : m_process.output(100).split('\n'))
        if (line.startsWith("CONNECT ")) m_tunnels << QString::fromUtf8(line.trimmed());
    return m_tunnels;
}

QString signTool(const QStringList& arguments)
{
    // A program of this build: started as such, also under wine.
    QProcess p;
    p.start(QStringLiteral(CORVANE_SIGN_TOOL), arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("corvane-sign ") + arguments.join(QLatin1Char(' ')) +
               QStringLiteral(": ") + QString::fromUtf8(p.readAllStandardError());
    return {};
}

QByteArray makePublisherKey(const QString& folder, const QString& name)
{
    const QString secret = folder + QLatin1Char('/') + name + QStringLiteral(".key");
    const QString pub = folder + QLatin1Char('/') + name + QStringLiteral(".pub");
    const QString error = signTool({"keygen", secret, pub});
    if (!error.isEmpty()) qFatal("%s", qPrintable(error));
    QFile f(pub);
    f.open(QIODevice::ReadOnly);
    return keyOfText(f.readAll(), ed25519::kKeySize).value_or(QByteArray());
}

} // namespace corvane::test

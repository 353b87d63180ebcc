#include "ftptestserver.h"

#include "helperprocess.h"
#include "testplatform.h"

namespace corvane::test {

FtpTestServer::FtpTestServer(QString root, QStringList switches)
    : m_root(std::move(root)), m_switches(std::move(switches))
{
}

FtpTestServer::~FtpTestServer()
{
    stopTestServer(m_process);
}

bool FtpTestServer::start()
{
    const QByteArray line = startTestServer(
        m_process, QStringLiteral("ftpserver.py"),
        QStringList{QStringLiteral("--root"), hostPath(m_root)} + m_switches, m_errors);
    if (line.startsWith("PORT ")) m_port = line.mid(5).toInt();
    if (m_port <= 0 && m_errors.isEmpty()) m_errors = QString::fromUtf8(line);
    return m_port > 0;
}

QString FtpTestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpTestServer::errors() const
{
    return m_errors + QString::fromUtf8(const_cast<HostProcess&>(m_process).standardError());
}

} // namespace corvane::test

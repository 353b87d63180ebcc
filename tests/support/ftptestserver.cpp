#include "ftptestserver.h"

#include <QDeadlineTimer>

namespace corvane::test {

FtpTestServer::FtpTestServer(QString root, QStringList switches)
    : m_root(std::move(root)), m_switches(std::move(switches))
{
}

FtpTestServer::~FtpTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool FtpTestServer::start()
{
    const QString script = QStringLiteral(CORVANE_TEST_SOURCE_DIR "/support/ftpserver.py");
    m_process.setProgram(QStringLiteral(CORVANE_SYSTEM_PYTHON));
    m_process.setArguments(QStringList{script, QStringLiteral("--root"), m_root} + m_switches);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        m_errors = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n')) {
        if (!m_process.waitForReadyRead(
                static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        out += m_process.readAllStandardOutput();
    }
    if (out.startsWith("PORT ")) m_port = out.mid(5).trimmed().toInt();
    if (m_port <= 0) m_errors = QString::fromUtf8(out + m_process.readAllStandardError());
    return m_port > 0;
}

QString FtpTestServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpTestServer::errors() const
{
    return m_errors + QString::fromUtf8(const_cast<QProcess&>(m_process).readAllStandardError());
}

} // namespace corvane::test

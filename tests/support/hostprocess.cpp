#include "hostprocess.h"

#include "testplatform.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace corvane::test {

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Under wine: a shell script in `dir` that runs the program in the
// background with its output in files, writes its process id, waits for it
// and writes its exit status. Started detached: only the files tell.
bool startWrapped(const QTemporaryDir& dir, const QString& program, const QStringList& arguments,
                  QString& error)
{
    const QString host = hostPath(dir.path());
    QString command = shellQuoted(program);
    for (const QString& a : arguments)
        command += QLatin1Char(' ') + shellQuoted(a);
    const QString script = QStringLiteral("cd %1 || exit 1\n"
                                          "%2 >out 2>err </dev/null &\n"
                                          "echo $! >pid.tmp && mv pid.tmp pid\n"
                                          "exec 2>/dev/null # no word on a stopped server\n"
                                          "wait $!\n"
                                          "echo $? >rc.tmp && mv rc.tmp rc\n")
                               .arg(shellQuoted(host), command);
    QFile file(dir.filePath(QStringLiteral("run.sh")));
    if (!file.open(QIODevice::WriteOnly) || file.write(script.toUtf8()) < 0) {
        error = file.errorString();
        return false;
    }
    file.close();
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"),
                                 {hostPath(dir.filePath(QStringLiteral("run.sh")))})) {
        error = QStringLiteral("wine did not start /bin/sh");
        return false;
    }
    return true;
}

bool waitForFile(const QString& path, QDeadlineTimer deadline)
{
    while (!QFile::exists(path)) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(10);
    }
    return true;
}

} // namespace

HostRun runOnHost(const QString& program, const QStringList& arguments, int timeoutMs)
{
    HostRun run;
    if (!underWine()) {
        QProcess p;
        p.start(program, arguments);
        if (!p.waitForFinished(timeoutMs)) {
            run.error = program + QStringLiteral(": ") + p.errorString();
            p.kill();
            p.waitForFinished();
            return run;
        }
        run.finished = p.exitStatus() == QProcess::NormalExit;
        run.exitCode = p.exitCode();
        run.out = p.readAllStandardOutput();
        run.err = p.readAllStandardError();
        return run;
    }
    QTemporaryDir dir;
    if (!startWrapped(dir, program, arguments, run.error)) return run;
    if (!waitForFile(dir.filePath(QStringLiteral("rc")), QDeadlineTimer(timeoutMs))) {
        run.error = program + QStringLiteral(" did not finish in time");
        const QByteArray pid = readFile(dir.filePath(QStringLiteral("pid"))).trimmed();
        if (!pid.isEmpty())
            runOnHost(QStringLiteral("/bin/kill"), {QString::fromLatin1(pid)}, 5000);
        return run;
    }
    run.finished = true;
    run.exitCode = readFile(dir.filePath(QStringLiteral("rc"))).trimmed().toInt();
    run.out = readFile(dir.filePath(QStringLiteral("out")));
    run.err = readFile(dir.filePath(QStringLiteral("err")));
    return run;
}

HostProcess::~HostProcess()
{
    stop();
}

QByteArray HostProcess::startAndReadLine(const QString& program, const QStringList& arguments,
                                         QString& errors)
{
    stop();
    const QDeadlineTimer deadline(10000);
    QByteArray out;
    if (!underWine()) {
        m_process.start(program, arguments);
        if (!m_process.waitForStarted(5000)) {
            errors = m_process.errorString();
            return {};
        }
        while (!deadline.hasExpired() && !out.contains('\n')) {
            if (!m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) break;
            out += m_process.readAllStandardOutput();
        }
        m_output = out;
    } else {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!startWrapped(*m_dir, program, arguments, errors)) return {};
        if (waitForFile(m_dir->filePath(QStringLiteral("pid")), deadline))
            m_pid = readFile(m_dir->filePath(QStringLiteral("pid"))).trimmed().toLongLong();
        while (!deadline.hasExpired() && !out.contains('\n') &&
               !QFile::exists(m_dir->filePath(QStringLiteral("rc")))) {
            QThread::msleep(10);
            out = readFile(m_dir->filePath(QStringLiteral("out")));
        }
        out = readFile(m_dir->filePath(QStringLiteral("out")));
    }
    if (!out.contains('\n')) errors = QString::fromUtf8(out + standardError());
    return out.left(out.indexOf('\n')).trimmed();
}

QByteArray HostProcess::output(int waitMs)
{
    if (m_dir) {
        QThread::msleep(ulong(waitMs));
        return readFile(m_dir->filePath(QStringLiteral("out")));
    }
    if (m_process.state() != QProcess::NotRunning) m_process.waitForReadyRead(waitMs);
    m_output += m_process.readAllStandardOutput();
    return m_output;
}

bool HostProcess::waitForExit(int timeoutMs)
{
    if (m_dir) return waitForFile(m_dir->filePath(QStringLiteral("rc")), QDeadlineTimer(timeoutMs));
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}

void HostProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_output.clear();
    if (m_dir) {
        if (m_pid > 0) {
            runOnHost(QStringLiteral("/bin/kill"), {QString::number(m_pid)}, 5000);
            waitForFile(m_dir->filePath(QStringLiteral("rc")), QDeadlineTimer(5000));
        }
        m_dir.reset();
        m_pid = 0;
    }
}

QByteArray HostProcess::standardError()
{
    if (m_dir) return readFile(m_dir->filePath(QStringLiteral("err")));
    return m_process.readAllStandardError();
}

} // namespace corvane::test

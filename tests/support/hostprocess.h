#pragma once

// Programs of the build machine (python3, bash) started by the tests: with
// QProcess where the tests run natively; under wine through /bin/sh with
// files for output, process id and exit status (see testplatform.h), since wine
// gives a Linux program neither pipes nor an exit code.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace corvane::test {

struct HostRun
{
    bool finished = false; // false: did not start or timed out (see error)
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QString error;
};

// Runs a program to its end. A path among the arguments goes through
// hostPath() (testplatform.h): the program sees the build machine's files.
HostRun runOnHost(const QString& program, const QStringList& arguments, int timeoutMs = 60000);

// A long-running program (a test server), stopped when destroyed.
class HostProcess
{
public:
    HostProcess() = default;
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts the program and returns its first line of output, waiting up to
    // ten seconds; on failure empty (or what it said instead), with `errors`.
    QByteArray startAndReadLine(const QString& program, const QStringList& arguments,
                                QString& errors);
    // Everything the program wrote to its standard output so far, after
    // waiting up to `waitMs` for more.
    QByteArray output(int waitMs);
    // Waits for the program to end by itself; false if it still runs.
    bool waitForExit(int timeoutMs);
    void stop();
    QByteArray standardError();

private:
    QProcess m_process;                   // natively
    std::unique_ptr<QTemporaryDir> m_dir; // under wine: the wrapper's files
    qint64 m_pid = 0;
    QByteArray m_output; // natively: what was read so far
};

} // namespace corvane::test

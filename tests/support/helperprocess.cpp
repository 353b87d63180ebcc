#include "helperprocess.h"

#include <QDeadlineTimer>

namespace corvane::test {

QByteArray startTestServer(QProcess& process, const QString& script, const QStringList& arguments,
                           QString& errors)
{
    process.setProgram(QStringLiteral(CORVANE_SYSTEM_PYTHON));
    process.setArguments(QStringList{QStringLiteral(CORVANE_TEST_SOURCE_DIR "/support/") + script} +
                         arguments);
    process.start();
    if (!process.waitForStarted(5000)) {
        errors = process.errorString();
        return {};
    }
    const QDeadlineTimer deadline(10000);
    QByteArray out;
    while (!deadline.hasExpired() && !out.contains('\n')) {
        if (!process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) break;
        out += process.readAllStandardOutput();
    }
    if (!out.contains('\n')) errors = QString::fromUtf8(out + process.readAllStandardError());
    return out.left(out.indexOf('\n')).trimmed();
}

void stopTestServer(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) return;
    process.kill();
    process.waitForFinished(5000);
}

} // namespace corvane::test

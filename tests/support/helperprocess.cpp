#include "helperprocess.h"

namespace corvane::test {

QByteArray startTestServer(HostProcess& process, const QString& script,
                           const QStringList& arguments, QString& errors)
{
    return process.startAndReadLine(
        QStringLiteral(CORVANE_SYSTEM_PYTHON),
        QStringList{QStringLiteral(CORVANE_TEST_SOURCE_DIR "/support/") + script} + arguments,
        errors);
}

void stopTestServer(HostProcess& process)
{
    process.stop();
}

} // namespace corvane::test

#pragma once

// The Python test servers: started with Debian's interpreter, they say where
// they listen in their first line of output.

#include "hostprocess.h"

#include <QByteArray>
#include <QStringList>

namespace corvane::test {

// Starts tests/support/<script> with the arguments and returns its first line
// of output, waiting up to ten seconds. On failure the line is empty, or
// whatever the script said instead, and `errors` holds the reason.
QByteArray startTestServer(HostProcess& process, const QString& script,
                           const QStringList& arguments, QString& errors);

// Stops a test server started above, if it still runs.
void stopTestServer(HostProcess& process);

} // namespace corvane::test

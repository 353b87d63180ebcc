#pragma once

#include <QtGlobal>

// Loopback TCP ports for tests that need a server that is not there, or one
// that accepts connections and never says a word. The tests' one place for
// socket calls (loopback_posix.cpp, loopback_win.cpp).

namespace corvane::test {

// A loopback TCP socket bound to a port the system picks; listening, it
// accepts connections (the kernel does) and never answers.
class LoopbackSocket
{
public:
    explicit LoopbackSocket(bool listening);
    ~LoopbackSocket();
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    int port() const { return m_port; }

private:
    qintptr m_fd = -1; // a SOCKET on Windows
    int m_port = 1;
};

// A loopback port nothing listens on: bound by the system, then released.
int closedLoopbackPort();

// Whether something takes connections on the loopback port (a server that
// says nothing when it is ready).
bool acceptsConnections(int port);

} // namespace corvane::test

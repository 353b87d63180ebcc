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

// A loopback port nothing listens on, for the whole of this process: it stays
// bound without listening, so a connection is refused and no server another
// test starts meanwhile can be given it.
inline int closedLoopbackPort()
{
    static const LoopbackSocket held(false);
    return held.port();
}
// A loopback port free at the time of the call (bound by the system, then
// released), for a server this test starts on it next.
inline int freeLoopbackPort()
{
    return LoopbackSocket(false).port();
}

// Whether something takes connections on the loopback port (a server that
// says nothing when it is ready).
bool acceptsConnections(int port);

} // namespace corvane::test

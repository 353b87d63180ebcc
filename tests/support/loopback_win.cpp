#include "loopback.h"

#include <winsock2.h>

namespace corvane::test {

namespace {

// Winsock wants one start-up per process before the first socket.
bool winsockStarted()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

} // namespace

LoopbackSocket::LoopbackSocket(bool listening)
{
    if (!winsockStarted()) return;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    m_fd = static_cast<qintptr>(s);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        m_port = ntohs(address.sin_port);
    if (listening) ::listen(s, 8);
}

LoopbackSocket::~LoopbackSocket()
{
    if (m_fd >= 0) ::closesocket(static_cast<SOCKET>(m_fd));
}

bool acceptsConnections(int port)
{
    if (!winsockStarted()) return false;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(port));
    const bool accepted = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::closesocket(s);
    return accepted;
}

} // namespace corvane::test

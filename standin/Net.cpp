#include "Net.h"

#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace yorsabat::standin::net {

namespace {

void closeHandle(Handle h)
{
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(h));
#else
    ::close(h);
#endif
}

bool makeAddress(const std::string &address, std::uint16_t port, sockaddr_in &sa, std::string &error)
{
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    const std::string numeric = address == "localhost" ? std::string("127.0.0.1") : address;
    if (inet_pton(AF_INET, numeric.c_str(), &sa.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    return true;
}

bool bindSocket(int type, const std::string &address, std::uint16_t port, Socket &out,
                std::uint16_t &boundPort, std::string &error)
{
    sockaddr_in sa;
    if (!makeAddress(address, port, sa, error))
        return false;
    Handle h = static_cast<Handle>(::socket(AF_INET, type, 0));
#ifdef _WIN32
    if (h == static_cast<Handle>(INVALID_SOCKET)) {
#else
    if (h < 0) {
#endif
        error = "socket: " + lastErrorText();
        return false;
    }
    Socket s(h);
    if (type == SOCK_STREAM) {
        int yes = 1;
        ::setsockopt(h, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&yes), sizeof yes);
    }
    if (::bind(h, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0) {
        error = "cannot bind " + address + ":" + std::to_string(port) + ": " + lastErrorText();
        return false;
    }
    if (type == SOCK_STREAM && ::listen(h, 64) != 0) {
        error = "listen: " + lastErrorText();
        return false;
    }
    sockaddr_in bound;
    socklen_t len = sizeof bound;
    ::getsockname(h, reinterpret_cast<sockaddr *>(&bound), &len);
    boundPort = ntohs(bound.sin_port);
    out = std::move(s);
    return true;
}

} // namespace

bool startup()
{
#ifdef _WIN32
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    return true;
#endif
}

std::string lastErrorText()
{
#ifdef _WIN32
    return "socket error " + std::to_string(WSAGetLastError());
#else
    return std::strerror(errno);
#endif
}

Socket::~Socket() { close(); }

Socket::Socket(Socket &&other) noexcept : m_handle(other.m_handle), m_open(other.m_open)
{
    other.m_open = false;
}

Socket &Socket::operator=(Socket &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        m_open = other.m_open;
        other.m_open = false;
    }
    return *this;
}

void Socket::close()
{
    if (m_open) {
        closeHandle(m_handle);
        m_open = false;
    }
}

void Socket::shutdownBoth()
{
    if (m_open) {
#ifdef _WIN32
        ::shutdown(static_cast<SOCKET>(m_handle), SD_BOTH);
#else
        ::shutdown(m_handle, SHUT_RDWR);
#endif
    }
}

bool Socket::readExact(void *buffer, std::size_t n)
{
    char *p = static_cast<char *>(buffer);
    while (n > 0) {
        auto got = ::recv(m_handle, p, static_cast<int>(n), 0);
        if (got <= 0) {
#ifndef _WIN32
            if (got < 0 && errno == EINTR)
                continue;
#endif
            return false;
        }
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool Socket::writeAll(const void *buffer, std::size_t n)
{
    const char *p = static_cast<const char *>(buffer);
    while (n > 0) {
#if defined(_WIN32)
        auto sent = ::send(m_handle, p, static_cast<int>(n), 0);
#elif defined(MSG_NOSIGNAL)
        auto sent = ::send(m_handle, p, n, MSG_NOSIGNAL);
#else
        auto sent = ::send(m_handle, p, n, 0);
#endif
        if (sent <= 0) {
#ifndef _WIN32
            if (sent < 0 && errno == EINTR)
                continue;
#endif
            return false;
        }
        p += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

int Socket::waitReadable(int timeoutMs) const
{
#ifdef _WIN32
    WSAPOLLFD pfd{static_cast<SOCKET>(m_handle), POLLRDNORM, 0};
    int rc = WSAPoll(&pfd, 1, timeoutMs);
#else
    pollfd pfd{m_handle, POLLIN, 0};
    int rc = ::poll(&pfd, 1, timeoutMs);
    if (rc < 0 && errno == EINTR)
        return 0;
#endif
    if (rc < 0)
        return -1;
    return rc == 0 ? 0 : 1;
}

bool listenTcp(const std::string &address, std::uint16_t port, Socket &out, std::uint16_t &boundPort,
               std::string &error)
{
    return bindSocket(SOCK_STREAM, address, port, out, boundPort, error);
}

bool acceptOne(Socket &listener, Socket &out)
{
    auto h = ::accept(listener.handle(), nullptr, nullptr);
#ifdef _WIN32
    if (h == INVALID_SOCKET)
        return false;
#else
    if (h < 0)
        return false;
#endif
    int yes = 1;
    ::setsockopt(h, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&yes), sizeof yes);
    out = Socket(static_cast<Handle>(h));
    return true;
}

bool bindUdp(const std::string &address, std::uint16_t port, Socket &out, std::uint16_t &boundPort,
             std::string &error)
{
    return bindSocket(SOCK_DGRAM, address, port, out, boundPort, error);
}

bool makePeer(const std::string &address, std::uint16_t port, Peer &out)
{
    sockaddr_in sa;
    std::string error;
    if (!makeAddress(address, port, sa, error))
        return false;
    std::memcpy(out.storage, &sa, sizeof sa);
    out.length = static_cast<int>(sizeof sa);
    return true;
}

bool connectTcp(const Peer &to, Socket &out)
{
    auto h = ::socket(AF_INET, SOCK_STREAM, 0);
#ifdef _WIN32
    if (h == INVALID_SOCKET)
        return false;
#else
    if (h < 0)
        return false;
#endif
    Socket s(static_cast<Handle>(h));
    if (::connect(h, reinterpret_cast<const sockaddr *>(to.storage), static_cast<socklen_t>(to.length)) != 0)
        return false;
    out = std::move(s);
    return true;
}

long receiveFrom(Socket &s, void *buffer, std::size_t cap, Peer &from)
{
    socklen_t len = sizeof from.storage;
    auto got = ::recvfrom(s.handle(), static_cast<char *>(buffer), static_cast<int>(cap), 0,
                          reinterpret_cast<sockaddr *>(from.storage), &len);
    from.length = static_cast<int>(len);
    return static_cast<long>(got);
}

bool sendTo(Socket &s, const void *buffer, std::size_t n, const Peer &to)
{
    auto sent = ::sendto(s.handle(), static_cast<const char *>(buffer), static_cast<int>(n), 0,
                         reinterpret_cast<const sockaddr *>(to.storage), static_cast<socklen_t>(to.length));
    return sent == static_cast<decltype(sent)>(n);
}

} // namespace yorsabat::standin::net

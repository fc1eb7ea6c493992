#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A small socket layer: blocking TCP streams and a UDP endpoint, POSIX or Winsock.
namespace yorsabat::standin::net {

#ifdef _WIN32
using Handle = std::uintptr_t;
#else
using Handle = int;
#endif

bool startup(); // Winsock initialisation; a no-op elsewhere

class Socket
{
public:
    Socket() = default;
    explicit Socket(Handle h) : m_handle(h), m_open(true) {}
    ~Socket();
    Socket(Socket &&other) noexcept;
    Socket &operator=(Socket &&other) noexcept;
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    bool isOpen() const { return m_open; }
    Handle handle() const { return m_handle; }
    void close();
    void shutdownBoth(); // wakes a thread blocked in receive

    // Reads exactly n bytes; false on end of stream or error.
    bool readExact(void *buffer, std::size_t n);
    bool writeAll(const void *buffer, std::size_t n);
    // Waits until data can be read; -1 error, 0 timeout, 1 readable.
    int waitReadable(int timeoutMs) const;

private:
    Handle m_handle = 0;
    bool m_open = false;
};

// Listening TCP socket on addr:port (port 0: any free port).
bool listenTcp(const std::string &address, std::uint16_t port, Socket &out, std::uint16_t &boundPort,
               std::string &error);
// Accepts one connection; false if none is pending or on error.
bool acceptOne(Socket &listener, Socket &out);

bool bindUdp(const std::string &address, std::uint16_t port, Socket &out, std::uint16_t &boundPort,
             std::string &error);
// Receives one datagram (up to cap bytes); returns its size, -1 on error. from holds the sender.
struct Peer
{
    unsigned char storage[128];
    int length = 0;
};
// Connects a TCP stream to an address made by makePeer.
bool connectTcp(const Peer &to, Socket &out);
bool makePeer(const std::string &address, std::uint16_t port, Peer &out);
long receiveFrom(Socket &s, void *buffer, std::size_t cap, Peer &from);
bool sendTo(Socket &s, const void *buffer, std::size_t n, const Peer &to);

std::string lastErrorText();

} // namespace yorsabat::standin::net

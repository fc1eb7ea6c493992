#include "server/BrowserResolver.h"

#include "shell/Error.h"

#include <QDeadlineTimer>
#include <QStringList>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace yorsabat::server {

namespace {

constexpr char kClientUnicastInstance = 0x04;
constexpr unsigned char kServerResponse = 0x05;

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void closeSocket(Socket s) { closesocket(s); }
struct SocketLibrary
{
    SocketLibrary() { WSADATA data; WSAStartup(MAKEWORD(2, 2), &data); }
    ~SocketLibrary() { WSACleanup(); }
};
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void closeSocket(Socket s) { ::close(s); }
struct SocketLibrary
{
};
#endif

struct SocketOwner
{
    Socket s = kNoSocket;
    ~SocketOwner()
    {
        if (s != kNoSocket)
            closeSocket(s);
    }
};

struct AddressList
{
    addrinfo *list = nullptr;
    ~AddressList()
    {
        if (list)
            freeaddrinfo(list);
    }
};

// Waits for the socket to become readable until the deadline; false on timeout.
bool waitReadable(Socket s, const QDeadlineTimer &deadline)
{
    const qint64 remaining = deadline.remainingTime();
    if (remaining <= 0)
        return false;
#ifdef _WIN32
    WSAPOLLFD p{s, POLLRDNORM, 0};
    return WSAPoll(&p, 1, int(remaining)) > 0;
#else
    pollfd p{s, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, int(deadline.remainingTime()));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
#endif
}

} // namespace

int sqlBrowserPort()
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("YORSABAT_BROWSER_PORT", &ok);
    return ok && port > 0 && port < 65536 ? port : 1434;
}

int parseBrowserAnswer(const QByteArray &answer, const QString &instance)
{
    if (answer.size() < 3 || static_cast<unsigned char>(answer[0]) != kServerResponse)
        return -1;
    const int size = static_cast<unsigned char>(answer[1]) | (static_cast<unsigned char>(answer[2]) << 8);
    const QByteArray data = answer.mid(3, size);
    // "ServerName;H;InstanceName;VEZ;IsClustered;No;Version;16.0;tcp;1433;;" per instance, ";;" between them.
    const QString text = QString::fromLocal8Bit(data);
    for (const QString &record : text.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
        const QStringList items = record.split(u';');
        QString name;
        int port = 0;
        for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
            const QString &key = items[i];
            if (key.compare(QLatin1StringView("InstanceName"), Qt::CaseInsensitive) == 0)
                name = items[i + 1];
            else if (key.compare(QLatin1StringView("tcp"), Qt::CaseInsensitive) == 0)
                port = items[i + 1].toInt();
        }
        if (name.compare(instance, Qt::CaseInsensitive) == 0)
            return port > 0 && port < 65536 ? port : 0;
    }
    return -1;
}

int resolveInstancePort(const QString &host, const QString &instance, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const int browserPort = sqlBrowserPort();
    const QString noAnswer = QStringLiteral("The SQL Server Browser on %1 did not answer for instance '%2' within %3 ms")
                                 .arg(host, instance)
                                 .arg(timeoutMs);
    [[maybe_unused]] SocketLibrary library;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    AddressList addresses;
    const QByteArray hostName = host.toUtf8();
    const QByteArray service = QByteArray::number(browserPort);
    if (getaddrinfo(hostName.constData(), service.constData(), &hints, &addresses.list) != 0 || !addresses.list)
        throw Error(QStringLiteral("Unknown server name '%1'").arg(host));

    SocketOwner socket;
    socket.s = ::socket(addresses.list->ai_family, addresses.list->ai_socktype, addresses.list->ai_protocol);
    if (socket.s == kNoSocket)
        throw Error(noAnswer);
    // Connected, so that only the Browser's answer arrives and a closed port shows at once.
    if (::connect(socket.s, addresses.list->ai_addr, int(addresses.list->ai_addrlen)) != 0)
        throw Error(noAnswer);

    QByteArray request(1, kClientUnicastInstance);
    request += instance.toLocal8Bit().left(32);
    request += '\0';
    if (::send(socket.s, request.constData(), int(request.size()), 0) != request.size())
        throw Error(noAnswer);

    char buffer[65536];
    while (waitReadable(socket.s, deadline)) {
        const auto received = ::recv(socket.s, buffer, sizeof buffer, 0);
        if (received < 0) {
#ifndef _WIN32
            if (errno == EINTR || errno == EAGAIN)
                continue;
#endif
            break; // port unreachable: nobody listens there
        }
        if (received < 3 || static_cast<unsigned char>(buffer[0]) != kServerResponse)
            continue; // not an answer to us
        const int port = parseBrowserAnswer(QByteArray(buffer, int(received)), instance);
        if (port > 0)
            return port;
        if (port == 0)
            throw Error(QStringLiteral("Instance '%1' on %2 does not accept TCP connections").arg(instance, host));
        // An answer that does not name the instance: it is not there.
        throw Error(QStringLiteral("Instance '%1' was not found on %2").arg(instance, host));
    }
    throw Error(noAnswer);
}

} // namespace yorsabat::server

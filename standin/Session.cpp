#include "Session.h"

#include "Server.h"
#include "Text.h"

#include <chrono>
#include <thread>

namespace yorsabat::standin {

namespace {

constexpr std::size_t kMaxMessage = 256u << 20; // a batch larger than this is refused

std::uint16_t le16(const std::string &p, std::size_t at)
{
    if (at + 2 > p.size())
        return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[at]) | (static_cast<unsigned char>(p[at + 1]) << 8));
}

std::uint32_t le32(const std::string &p, std::size_t at)
{
    if (at + 4 > p.size())
        return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[at + static_cast<std::size_t>(i)]);
    return v;
}

// A LOGIN7 string: offset and length (in UTF-16 units) at the given header position.
std::string loginField(const std::string &p, std::size_t headerAt, bool password = false)
{
    std::size_t off = le16(p, headerAt), units = le16(p, headerAt + 2);
    if (off + units * 2 > p.size())
        return {};
    std::string raw = p.substr(off, units * 2);
    if (password)
        for (auto &ch : raw) {
            auto b = static_cast<unsigned char>(ch) ^ 0xA5;
            ch = static_cast<char>(((b & 0x0F) << 4) | (b >> 4));
        }
    return fromUtf16(reinterpret_cast<const unsigned char *>(raw.data()), units);
}

} // namespace

Session::Session(Server &server, net::Socket &socket)
    : m_server(server), m_socket(socket), m_out(socket), m_id(server.nextSessionId()), m_exec(server, m_id)
{
    m_out.setPacketSentHook([this] { return cancelArrived(); });
}

Session::~Session() { m_server.removeSession(m_id); }

bool Session::readMessage(std::uint8_t &type, std::string &payload)
{
    payload.clear();
    for (;;) {
        unsigned char h[8];
        if (!m_socket.readExact(h, 8))
            return false;
        std::size_t len = (static_cast<std::size_t>(h[2]) << 8) | h[3];
        if (len < 8)
            return false;
        type = h[0];
        std::size_t at = payload.size();
        if (at + len - 8 > kMaxMessage)
            return false;
        payload.resize(at + len - 8);
        if (len > 8 && !m_socket.readExact(payload.data() + at, len - 8))
            return false;
        if (h[1] & 0x01)
            return true;
    }
}

bool Session::cancelArrived()
{
    if (m_socket.waitReadable(0) != 1)
        return false;
    std::uint8_t type;
    std::string payload;
    if (!readMessage(type, payload))
        return true; // the client went away; stop sending
    return type == tds::Attention;
}

void Session::delay()
{
    int ms = m_server.delayMs.load();
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Session::run()
{
    std::uint8_t type;
    std::string payload;
    bool loggedIn = false;
    while (readMessage(type, payload)) {
        if (!loggedIn) {
            if (type == tds::PreLogin) {
                if (!answerPrelogin(payload))
                    return;
            } else if (type == tds::Login7) {
                if (!answerLogin(payload))
                    return;
                loggedIn = true;
            } else {
                return; // older logins and anything else before login are not served
            }
            continue;
        }
        if (type == tds::Attention) {
            acknowledgeAttention();
            continue;
        }
        int closeAfter = m_server.closeAfterBatches.load();
        if (closeAfter > 0 && m_batches >= closeAfter)
            return; // fault on demand: the server goes away
        ++m_batches;
        delay();
        if (type == tds::SqlBatch)
            answerBatch(payload);
        else if (type == tds::Rpc)
            answerUnsupported("Remote procedure calls are not supported by the stand-in server; send SQL batches.");
        else
            answerUnsupported("This request type is not supported by the stand-in server.");
        if (m_out.failed())
            return;
    }
}

bool Session::answerPrelogin(const std::string &)
{
    // VERSION, ENCRYPTION (not supported), INSTOPT, THREADID, MARS (off).
    const unsigned char version[6] = {16, 0, 0x03, 0xE8, 0, 0};
    std::string data;
    std::string head;
    auto option = [&](unsigned char token, const std::string &value) {
        head.push_back(static_cast<char>(token));
        std::size_t off = 5 * 5 + 1 + data.size();
        head.push_back(static_cast<char>(off >> 8));
        head.push_back(static_cast<char>(off & 0xFF));
        head.push_back(static_cast<char>(value.size() >> 8));
        head.push_back(static_cast<char>(value.size() & 0xFF));
        data += value;
    };
    option(0, std::string(reinterpret_cast<const char *>(version), 6));
    option(1, std::string(1, '\x02'));
    option(2, std::string(1, '\0'));
    option(3, std::string());
    option(4, std::string(1, '\0'));
    head.push_back(static_cast<char>(0xFF));
    m_out.begin();
    m_out.bytes(head);
    m_out.bytes(data);
    return m_out.finish();
}

void Session::refuseLogin(const std::string &user, const SqlError *first)
{
    m_out.begin();
    if (first)
        writeMessage(m_out, tds::Error, first->number, first->state, first->severity, first->message,
                     m_server.options().instance, 1, m_version);
    writeMessage(m_out, tds::Error, 18456, 1, 14, "Login failed for user '" + user + "'.", m_server.options().instance,
                 1, m_version);
    writeDone(m_out, tds::DoneError, 0, 0, m_version);
    m_out.finish();
}

bool Session::answerLogin(const std::string &p)
{
    if (p.size() < 94) {
        refuseLogin("", nullptr);
        return false;
    }
    std::uint32_t clientVersion = le32(p, 4);
    // Answer in the client's version, within what the stand-in speaks.
    if (clientVersion >= tds::Version74)
        m_version = tds::Version74;
    else if (clientVersion >= tds::Version73)
        m_version = tds::Version73;
    else if (clientVersion >= tds::Version72)
        m_version = tds::Version72;
    else
        m_version = tds::Version71;
    std::uint32_t packetSize = le32(p, 8);
    m_user = loginField(p, 40);
    std::string password = loginField(p, 44, true);
    std::string database = loginField(p, 68);

    delay();
    if (m_server.refuseLogins.load() || !m_server.checkLogin(m_user, password)) {
        refuseLogin(m_user, nullptr);
        return false;
    }
    SqlError error;
    std::string initial = database.empty() ? std::string("master") : database;
    if (!m_exec.use(initial, error)) {
        SqlError open{4060, 11, 1, "Cannot open database \"" + initial + "\" requested by the login. The login failed."};
        refuseLogin(m_user, &open);
        return false;
    }
    if (packetSize < 512 || packetSize > 32767)
        packetSize = 4096;

    m_out.begin();
    const std::string &server = m_server.options().instance;
    writeEnvChange(m_out, 1, m_exec.currentDatabase(), "master");
    writeMessage(m_out, tds::Info, 5701, 2, 0, "Changed database context to '" + m_exec.currentDatabase() + "'.", server,
                 1, m_version);
    // Collation: Turkish_CI_AS.
    m_out.u8(tds::EnvChange);
    m_out.u16(1 + 1 + 5 + 1);
    m_out.u8(7);
    m_out.u8(5);
    const char collation[5] = {0x1F, 0x04, static_cast<char>(0xD0), 0x00, 0x00};
    m_out.bytes(std::string_view(collation, 5));
    m_out.u8(0);
    writeEnvChange(m_out, 2, "us_english", "");
    writeMessage(m_out, tds::Info, 5703, 1, 0, "Changed language setting to us_english.", server, 1, m_version);

    std::string prog;
    appendUtf16(prog, "yorsabat-standin");
    m_out.u8(tds::LoginAck);
    m_out.u16(static_cast<std::uint16_t>(1 + 4 + 1 + prog.size() + 4));
    m_out.u8(1);
    m_out.u8(static_cast<std::uint8_t>(m_version >> 24));
    m_out.u8(static_cast<std::uint8_t>((m_version >> 16) & 0xFF));
    m_out.u8(static_cast<std::uint8_t>((m_version >> 8) & 0xFF));
    m_out.u8(static_cast<std::uint8_t>(m_version & 0xFF));
    m_out.u8(static_cast<std::uint8_t>(prog.size() / 2));
    m_out.bytes(prog);
    m_out.u8(16);
    m_out.u8(0);
    m_out.u8(0x03);
    m_out.u8(0xE8);
    writeEnvChange(m_out, 4, std::to_string(packetSize), std::to_string(m_out.packetSize()));
    writeDone(m_out, 0, 0, 0, m_version);
    bool ok = m_out.finish();
    m_out.setPacketSize(packetSize);
    return ok;
}

void Session::answerBatch(const std::string &payload)
{
    std::size_t at = 0;
    if (m_version >= tds::Version72 && payload.size() >= 4) {
        std::uint32_t headers = le32(payload, 0);
        if (headers >= 4 && headers <= payload.size())
            at = headers;
    }
    std::size_t units = (payload.size() - at) / 2;
    std::string text = fromUtf16(reinterpret_cast<const unsigned char *>(payload.data() + at), units);
    m_out.begin();
    m_exec.runBatch(text, m_out, m_version);
    if (m_out.interrupted())
        writeDone(m_out, tds::DoneAttention, 0, 0, m_version);
    m_out.finish();
}

void Session::answerUnsupported(const char *what)
{
    m_out.begin();
    writeMessage(m_out, tds::Error, 50000, 1, 16, what, m_server.options().instance, 1, m_version);
    writeDone(m_out, tds::DoneError, 0, 0, m_version);
    m_out.finish();
}

void Session::acknowledgeAttention()
{
    m_out.begin();
    writeDone(m_out, tds::DoneAttention, 0, 0, m_version);
    m_out.finish();
}

} // namespace yorsabat::standin

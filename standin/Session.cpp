#include "Session.h"

#include "Server.h"
#include "Text.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

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
            answerRpc(payload);
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

namespace {

// One parameter of a remote procedure call, read from its TYPE_INFO and value.
struct RpcParameter
{
    std::string name;
    bool output = false;
    Cell value;
};

class RpcReader
{
public:
    RpcReader(const std::string &p, std::size_t at) : m_p(p), m_at(at) {}
    bool atEnd() const { return m_at >= m_p.size(); }
    bool ok() const { return m_ok; }
    std::uint8_t u8()
    {
        if (!need(1))
            return 0;
        return static_cast<unsigned char>(m_p[m_at++]);
    }
    std::uint16_t u16()
    {
        if (!need(2))
            return 0;
        std::uint16_t v = le16(m_p, m_at);
        m_at += 2;
        return v;
    }
    std::uint32_t u32()
    {
        if (!need(4))
            return 0;
        std::uint32_t v = le32(m_p, m_at);
        m_at += 4;
        return v;
    }
    std::string bytes(std::size_t n)
    {
        if (!need(n))
            return {};
        std::string v = m_p.substr(m_at, n);
        m_at += n;
        return v;
    }
    std::string utf16(std::size_t units)
    {
        std::string raw = bytes(units * 2);
        return fromUtf16(reinterpret_cast<const unsigned char *>(raw.data()), raw.size() / 2);
    }
    // Partially length-prefixed bytes: 8-byte total, then chunks up to a zero chunk.
    bool plp(std::string &out, bool &isNull)
    {
        std::uint64_t total = static_cast<std::uint64_t>(u32()) | (static_cast<std::uint64_t>(u32()) << 32);
        isNull = total == ~0ULL;
        out.clear();
        if (isNull)
            return m_ok;
        for (;;) {
            std::uint32_t chunk = u32();
            if (!m_ok)
                return false;
            if (chunk == 0)
                return true;
            out += bytes(chunk);
        }
    }
    bool parameter(RpcParameter &param, std::string &unsupported);

private:
    bool need(std::size_t n)
    {
        if (m_at + n > m_p.size())
            m_ok = false;
        return m_ok;
    }
    const std::string &m_p;
    std::size_t m_at;
    bool m_ok = true;
};

std::string datetimeText(std::int32_t days, std::uint32_t ticks)
{
    // Days since 1900-01-01 back to a civil date.
    const std::int64_t z = static_cast<std::int64_t>(days) - 25567 + 719468; // 1970-01-01 is day 25567
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y0 = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = y0 + (m <= 2);
    std::uint64_t ms = (static_cast<std::uint64_t>(ticks) * 1000 + 150) / 300;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02llu:%02llu:%02llu.%03llu", static_cast<long long>(y), m, d,
                  static_cast<unsigned long long>(ms / 3600000), static_cast<unsigned long long>(ms / 60000 % 60),
                  static_cast<unsigned long long>(ms / 1000 % 60), static_cast<unsigned long long>(ms % 1000));
    return buf;
}

bool RpcReader::parameter(RpcParameter &param, std::string &unsupported)
{
    std::uint8_t nameLength = u8();
    param.name = utf16(nameLength);
    param.output = (u8() & 0x01) != 0;
    std::uint8_t type = u8();
    Cell &c = param.value;
    c = Cell{};
    switch (type) {
    case 0x26: // INTN
    case 0x68: // BITN
    case 0x6D: // FLTN
    case 0x6F: // DATETIMN
    {
        u8();
        std::uint8_t len = u8();
        std::string raw = bytes(len);
        if (len == 0 || !m_ok)
            return m_ok;
        std::uint64_t v = 0;
        for (std::size_t i = raw.size(); i-- > 0;)
            v = (v << 8) | static_cast<unsigned char>(raw[i]);
        if (type == 0x6D) {
            c.type = SQLITE_FLOAT;
            if (len == 8) {
                std::memcpy(&c.d, &v, 8);
            } else {
                float f;
                auto bits = static_cast<std::uint32_t>(v);
                std::memcpy(&f, &bits, 4);
                c.d = f;
            }
        } else if (type == 0x6F) {
            c.type = SQLITE_TEXT;
            if (len == 8)
                c.s = datetimeText(static_cast<std::int32_t>(v & 0xFFFFFFFF), static_cast<std::uint32_t>(v >> 32));
            else // smalldatetime: days and minutes
                c.s = datetimeText(static_cast<std::int32_t>(v & 0xFFFF), static_cast<std::uint32_t>((v >> 16) * 60 * 300));
        } else {
            c.type = SQLITE_INTEGER;
            int shift = 64 - 8 * len; // sign-extend
            c.i = len == 8 ? static_cast<std::int64_t>(v)
                 : len == 1 ? static_cast<std::int64_t>(v) // tinyint and bit are unsigned
                            : static_cast<std::int64_t>(v << shift) >> shift;
        }
        return m_ok;
    }
    case 0x6A: // DECIMALN
    case 0x6C: // NUMERICN
    {
        u8();
        u8();
        int scale = u8();
        std::uint8_t len = u8();
        std::string raw = bytes(len);
        if (len == 0 || !m_ok)
            return m_ok;
        // sign byte, then a little-endian magnitude: to decimal digits by repeated division
        std::vector<unsigned> mag;
        for (std::size_t i = raw.size(); i-- > 1;)
            mag.push_back(static_cast<unsigned char>(raw[i]));
        std::string digits;
        while (!mag.empty()) {
            unsigned rem = 0;
            std::vector<unsigned> q;
            for (unsigned b : mag) {
                unsigned cur = rem * 256 + b;
                if (!q.empty() || cur / 10)
                    q.push_back(cur / 10);
                rem = cur % 10;
            }
            digits.insert(digits.begin(), static_cast<char>('0' + rem));
            mag.swap(q);
        }
        while (static_cast<int>(digits.size()) <= scale)
            digits.insert(digits.begin(), '0');
        c.type = SQLITE_TEXT;
        c.s = (raw[0] == 0 ? "-" : "") + digits.substr(0, digits.size() - static_cast<std::size_t>(scale)) +
              (scale ? "." + digits.substr(digits.size() - static_cast<std::size_t>(scale)) : "");
        return m_ok;
    }
    case 0xE7: // NVARCHAR
    case 0xA7: // VARCHAR
    case 0xEF: // NCHAR
    case 0xAF: // CHAR
    case 0xA5: // VARBINARY
    case 0xAD: // BINARY
    {
        std::uint16_t maxLength = u16();
        bool text = type != 0xA5 && type != 0xAD;
        if (text)
            bytes(5);
        std::string raw;
        bool isNull;
        if (maxLength == 0xFFFF) {
            if (!plp(raw, isNull))
                return false;
        } else {
            std::uint16_t len = u16();
            isNull = len == 0xFFFF;
            if (!isNull)
                raw = bytes(len);
        }
        if (isNull || !m_ok)
            return m_ok;
        if (!text) {
            c.type = SQLITE_BLOB;
            c.s = raw;
        } else {
            c.type = SQLITE_TEXT;
            c.s = (type == 0xE7 || type == 0xEF) ? fromUtf16(reinterpret_cast<const unsigned char *>(raw.data()), raw.size() / 2)
                                                 : raw;
        }
        return m_ok;
    }
    case 0x63: // NTEXT
    case 0x23: // TEXT
    {
        u32();
        bytes(5);
        std::uint32_t len = u32();
        if (len == 0xFFFFFFFF || !m_ok)
            return m_ok;
        std::string raw = bytes(len);
        c.type = SQLITE_TEXT;
        c.s = type == 0x63 ? fromUtf16(reinterpret_cast<const unsigned char *>(raw.data()), raw.size() / 2) : raw;
        return m_ok;
    }
    default:
        unsupported = "Parameters of TDS type 0x" + std::to_string(type) + " are not supported by the stand-in server.";
        return false;
    }
}

} // namespace

void Session::answerRpc(const std::string &payload)
{
    // The calls FreeTDS makes for prepared and parameterised statements:
    // sp_executesql (10), sp_prepare (11), sp_execute (12), sp_prepexec (13), sp_unprepare (15).
    std::size_t at = 0;
    if (m_version >= tds::Version72 && payload.size() >= 4) {
        std::uint32_t headers = le32(payload, 0);
        if (headers >= 4 && headers <= payload.size())
            at = headers;
    }
    RpcReader r(payload, at);
    std::uint16_t nameLength = r.u16();
    int procId = 0;
    std::string procName;
    if (nameLength == 0xFFFF) {
        procId = r.u16();
    } else {
        procName = lower(r.utf16(nameLength));
        static const std::pair<const char *, int> known[] = {{"sp_executesql", 10}, {"sp_prepare", 11}, {"sp_execute", 12},
                                                             {"sp_prepexec", 13}, {"sp_unprepare", 15}};
        for (const auto &[n, id] : known)
            if (procName == n || procName == std::string("sys.") + n || procName == std::string("dbo.") + n)
                procId = id;
    }
    r.u16(); // option flags
    std::vector<RpcParameter> params;
    std::string unsupported;
    while (!r.atEnd() && r.ok()) {
        RpcParameter p;
        if (!r.parameter(p, unsupported))
            break;
        params.push_back(std::move(p));
        // A batch separator would start another call; one call per request is served.
    }
    if (!unsupported.empty() || !r.ok()) {
        answerUnsupported(unsupported.empty() ? "Malformed remote procedure call." : unsupported.c_str());
        return;
    }
    auto textOf = [&](std::size_t i) { return i < params.size() ? params[i].value.s : std::string(); };
    auto intOf = [&](std::size_t i) { return i < params.size() && params[i].value.type == 1 ? static_cast<int>(params[i].value.i) : 0; };

    std::string sqlText, declarations;
    std::size_t firstValue = 0;
    int handle = 0;
    bool returnsHandle = false, runs = true;
    switch (procId) {
    case 10: sqlText = textOf(0); declarations = textOf(1); firstValue = 2; break;
    case 11: sqlText = textOf(2); declarations = textOf(1); runs = false; returnsHandle = true; break;
    case 12:
        handle = intOf(0);
        firstValue = 1;
        if (m_prepared.count(handle) == 0) {
            answerUnsupported("Could not find prepared statement with handle.");
            return;
        }
        sqlText = m_prepared[handle].first;
        declarations = m_prepared[handle].second;
        break;
    case 13: sqlText = textOf(2); declarations = textOf(1); firstValue = 3; returnsHandle = true; break;
    case 15: m_prepared.erase(intOf(0)); runs = false; break;
    default: {
        m_out.begin();
        writeMessage(m_out, tds::Error, 2812, 62, 16,
                     "Could not find stored procedure '" + (procName.empty() ? std::to_string(procId) : procName) + "'.",
                     m_server.options().instance, 1, m_version);
        writeDone(m_out, tds::DoneError, 0, 0, m_version, tds::DoneProc);
        m_out.finish();
        return;
    }
    }
    if (returnsHandle) {
        handle = m_nextHandle++;
        m_prepared[handle] = {sqlText, declarations};
    }
    // Values may come without names: they then follow the order of the declarations
    // ("@P1 nvarchar(40),@P2 float").
    std::vector<std::string> declared;
    {
        int depth = 0;
        std::string current;
        for (char ch : declarations + ",") {
            if (ch == '(')
                ++depth;
            else if (ch == ')')
                --depth;
            if (ch == ',' && depth == 0) {
                std::string item = trim(current);
                declared.push_back(item.substr(0, item.find_first_of(" \t\r\n")));
                current.clear();
            } else {
                current.push_back(ch);
            }
        }
    }
    Executor::Parameters values;
    for (std::size_t i = firstValue; i < params.size(); ++i) {
        std::string name = params[i].name;
        if (name.empty() && i - firstValue < declared.size())
            name = declared[i - firstValue];
        values.emplace_back(name, params[i].value);
    }

    m_out.begin();
    bool ok = true;
    if (runs)
        ok = m_exec.runBatch(sqlText, m_out, m_version, &values);
    if (m_out.interrupted()) {
        writeDone(m_out, tds::DoneAttention, 0, 0, m_version);
        m_out.finish();
        return;
    }
    m_out.u8(tds::ReturnStatus);
    m_out.u32(ok ? 0 : 1);
    if (returnsHandle) {
        m_out.u8(tds::ReturnValue);
        m_out.u16(0);      // ordinal
        m_out.u8(0);       // no name
        m_out.u8(0x01);    // output parameter
        if (m_version >= tds::Version72)
            m_out.u32(0);
        else
            m_out.u16(0);
        m_out.u16(0x0001); // nullable
        m_out.u8(0x26);
        m_out.u8(4);
        m_out.u8(4);
        m_out.u32(static_cast<std::uint32_t>(handle));
    }
    writeDone(m_out, ok ? 0 : tds::DoneError, 0, 0, m_version, tds::DoneProc);
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

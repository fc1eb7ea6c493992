#include "TdsOutput.h"

#include "Text.h"

namespace yorsabat::standin {

void TdsOutput::begin()
{
    m_buffer.assign(8, '\0');
    m_packetId = 1;
    m_failed = false;
    m_interrupted = false;
}

void TdsOutput::u16(std::uint16_t v)
{
    char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    put(b, 2);
}

void TdsOutput::u32(std::uint32_t v)
{
    char b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    put(b, 4);
}

void TdsOutput::u64(std::uint64_t v)
{
    char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    put(b, 8);
}

void TdsOutput::put(const char *data, std::size_t n)
{
    while (n > 0) {
        if (m_buffer.size() >= m_packetSize)
            flush(false); // only when more bytes follow, so the last packet is never empty
        std::size_t room = m_packetSize - m_buffer.size();
        std::size_t take = n < room ? n : room;
        m_buffer.append(data, take);
        data += take;
        n -= take;
    }
}

void TdsOutput::bVarchar(std::string_view utf8)
{
    m_scratch.clear();
    std::size_t units = appendUtf16(m_scratch, utf8);
    if (units > 255) { // cut at 255 units; only names and messages go here
        m_scratch.resize(510);
        units = 255;
    }
    u8(static_cast<std::uint8_t>(units));
    bytes(m_scratch);
}

void TdsOutput::usVarchar(std::string_view utf8)
{
    m_scratch.clear();
    std::size_t units = appendUtf16(m_scratch, utf8);
    if (units > 65535) {
        m_scratch.resize(2 * 65535);
        units = 65535;
    }
    u16(static_cast<std::uint16_t>(units));
    bytes(m_scratch);
}

void TdsOutput::flush(bool last)
{
    if (m_failed) {
        m_buffer.assign(8, '\0');
        return;
    }
    std::size_t len = m_buffer.size();
    m_buffer[0] = static_cast<char>(tds::Reply);
    m_buffer[1] = static_cast<char>(last ? 0x01 : 0x00);
    m_buffer[2] = static_cast<char>((len >> 8) & 0xFF);
    m_buffer[3] = static_cast<char>(len & 0xFF);
    m_buffer[4] = 0;
    m_buffer[5] = 0;
    m_buffer[6] = static_cast<char>(m_packetId++);
    m_buffer[7] = 0;
    if (!m_socket.writeAll(m_buffer.data(), len))
        m_failed = true;
    m_buffer.assign(8, '\0');
    if (!last && !m_failed && !m_interrupted && m_hook && m_hook())
        m_interrupted = true;
}

bool TdsOutput::finish()
{
    flush(true);
    return !m_failed;
}

void writeMessage(TdsOutput &out, std::uint8_t token, int number, int state, int severity, std::string_view message,
                  std::string_view serverName, int line, std::uint32_t v)
{
    std::string msg, server;
    std::size_t units = appendUtf16(msg, message);
    if (units > 4000) { // keep the token within its 2-byte length
        msg.resize(8000);
        units = 4000;
    }
    std::size_t serverUnits = appendUtf16(server, serverName.substr(0, 128));
    bool longLine = v >= tds::Version72;
    out.u8(token);
    out.u16(static_cast<std::uint16_t>(4 + 1 + 1 + 2 + msg.size() + 1 + server.size() + 1 + (longLine ? 4 : 2)));
    out.u32(static_cast<std::uint32_t>(number));
    out.u8(static_cast<std::uint8_t>(state));
    out.u8(static_cast<std::uint8_t>(severity));
    out.u16(static_cast<std::uint16_t>(units));
    out.bytes(msg);
    out.u8(static_cast<std::uint8_t>(serverUnits));
    out.bytes(server);
    out.u8(0); // procedure name
    if (longLine)
        out.u32(static_cast<std::uint32_t>(line));
    else
        out.u16(static_cast<std::uint16_t>(line));
}

void writeDone(TdsOutput &out, std::uint16_t status, std::uint16_t command, std::uint64_t count, std::uint32_t v,
               std::uint8_t token)
{
    out.u8(token);
    out.u16(status);
    out.u16(command);
    if (v >= tds::Version72)
        out.u64(count);
    else
        out.u32(static_cast<std::uint32_t>(count));
}

void writeEnvChange(TdsOutput &out, std::uint8_t type, std::string_view newValue, std::string_view oldValue)
{
    std::string n, o;
    std::size_t nu = appendUtf16(n, newValue.substr(0, 255));
    std::size_t ou = appendUtf16(o, oldValue.substr(0, 255));
    out.u8(tds::EnvChange);
    out.u16(static_cast<std::uint16_t>(3 + n.size() + o.size()));
    out.u8(type);
    out.u8(static_cast<std::uint8_t>(nu));
    out.bytes(n);
    out.u8(static_cast<std::uint8_t>(ou));
    out.bytes(o);
}

} // namespace yorsabat::standin

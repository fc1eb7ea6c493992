#pragma once

#include "Net.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace yorsabat::standin {

namespace tds {
// Packet types.
constexpr std::uint8_t SqlBatch = 0x01, Rpc = 0x03, Reply = 0x04, Attention = 0x06, Login7 = 0x10,
                       PreLogin = 0x12;
// Tokens.
constexpr std::uint8_t ColMetadata = 0x81, Error = 0xAA, Info = 0xAB, LoginAck = 0xAD, Row = 0xD1,
                       EnvChange = 0xE3, Done = 0xFD, DoneProc = 0xFE, DoneInProc = 0xFF,
                       ReturnStatus = 0x79, ReturnValue = 0xAC;
// DONE status bits.
constexpr std::uint16_t DoneFinal = 0x00, DoneMore = 0x01, DoneError = 0x02, DoneCount = 0x10,
                        DoneAttention = 0x20;
constexpr std::uint32_t Version74 = 0x74000004, Version73 = 0x730B0003, Version72 = 0x72090002,
                        Version71 = 0x71000001;
} // namespace tds

// One reply message, cut into packets of the negotiated size and sent as each fills,
// so a long result never sits in memory as a whole.
class TdsOutput
{
public:
    explicit TdsOutput(net::Socket &socket) : m_socket(socket) {}

    void setPacketSize(std::size_t size) { m_packetSize = size; }
    std::size_t packetSize() const { return m_packetSize; }
    // Called after each full packet went out; returning true stops the reply (a cancel came in).
    void setPacketSentHook(std::function<bool()> hook) { m_hook = std::move(hook); }

    void begin(); // starts a new reply message
    bool failed() const { return m_failed; }
    bool interrupted() const { return m_interrupted; }
    bool finish(); // sends the last packet (end of message)

    void u8(std::uint8_t v) { put(reinterpret_cast<const char *>(&v), 1); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void bytes(std::string_view b) { put(b.data(), b.size()); }
    void put(const char *data, std::size_t n);

    // Strings with a length prefix counted in UTF-16 units.
    void bVarchar(std::string_view utf8); // 1-byte length
    void usVarchar(std::string_view utf8); // 2-byte length

    std::size_t pending() const { return m_buffer.size(); }

private:
    void flush(bool last);

    net::Socket &m_socket;
    std::function<bool()> m_hook;
    std::size_t m_packetSize = 4096;
    std::string m_buffer;
    std::string m_scratch;
    std::uint8_t m_packetId = 1;
    bool m_failed = false;
    bool m_interrupted = false;
};

// ERROR or INFO token.
void writeMessage(TdsOutput &out, std::uint8_t token, int number, int state, int severity, std::string_view message,
                  std::string_view serverName, int line, std::uint32_t tdsVersion);
void writeDone(TdsOutput &out, std::uint16_t status, std::uint16_t command, std::uint64_t count,
               std::uint32_t tdsVersion, std::uint8_t token = tds::Done);
void writeEnvChange(TdsOutput &out, std::uint8_t type, std::string_view newValue, std::string_view oldValue);

} // namespace yorsabat::standin

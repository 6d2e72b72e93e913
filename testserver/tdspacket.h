#pragma once

#include "testserver/tdsbytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The TDS packet layer: an 8-byte header (type, status, big-endian length including the
// header, SPID, packet id, window) before each packet's data; a message is one or more
// packets of one type, the last with the end-of-message status bit.
namespace Tds {

enum PacketType : uint8_t {
    SqlBatch = 1,
    Rpc = 3,
    TabularResult = 4,
    Attention = 6,
    BulkLoad = 7,
    TransactionManager = 14,
    Login7 = 16,
    Sspi = 17,
    PreLogin = 18,
};

constexpr uint8_t StatusEndOfMessage = 0x01;
constexpr uint8_t StatusIgnore = 0x02;
constexpr size_t HeaderSize = 8;
constexpr size_t MinPacketSize = 512;
constexpr size_t DefaultPacketSize = 4096;
constexpr size_t MaxPacketSize = 32767;
// The largest request the server assembles; LOGIN7 itself is limited to 128 KiB - 1.
constexpr size_t MaxMessageSize = 4 * 1024 * 1024;
constexpr size_t MaxLoginSize = 128 * 1024 - 1;

struct Packet
{
    uint8_t type = 0;
    uint8_t status = 0;
    Bytes data; // without the header
};

struct Message
{
    uint8_t type = 0;
    uint8_t status = 0; // of the first packet (reset-connection bits live there)
    Bytes data;
};

// Cuts the bytes received on one connection into packets. A header whose length is
// shorter than a header or longer than the packet size in force, or whose type is none
// the protocol defines, makes the stream malformed for good.
class PacketReader
{
public:
    void setPacketSizeLimit(size_t limit) { m_limit = limit; }
    void append(const uint8_t *data, size_t size);

    enum class Result { NeedMore, Packet, Malformed };
    Result next(Packet &packet);
    const std::string &problem() const { return m_problem; }

private:
    Bytes m_buffer;
    size_t m_limit = DefaultPacketSize;
    std::string m_problem;
};

// Joins packets into messages: every packet of a message has the message's type; a
// message may not outgrow its limit. An ignored message (status bit 0x02) is dropped.
class MessageAssembler
{
public:
    enum class Result { NeedMore, Message, Ignored, Malformed };
    Result add(Packet &&packet, Message &message);
    const std::string &problem() const { return m_problem; }
    bool inMessage() const { return m_open; }

private:
    bool m_open = false;
    Message m_current;
    std::string m_problem;
};

// The packets carrying payload as a message of the given type, each at most packetSize
// bytes with its header; an empty payload still makes one packet.
Bytes packetize(uint8_t type, const Bytes &payload, size_t packetSize, uint16_t spid);

// Whether the type is one a client may send.
bool isClientPacketType(uint8_t type);

} // namespace Tds

#include "testserver/tdspacket.h"

#include <algorithm>

namespace Tds {

bool isClientPacketType(uint8_t type)
{
    switch (type) {
    case SqlBatch:
    case Rpc:
    case Attention:
    case BulkLoad:
    case TransactionManager:
    case Login7:
    case Sspi:
    case PreLogin: return true;
    default: return false;
    }
}

void PacketReader::append(const uint8_t *data, size_t size)
{
    m_buffer.insert(m_buffer.end(), data, data + size);
}

PacketReader::Result PacketReader::next(Packet &packet)
{
    if (!m_problem.empty())
        return Result::Malformed;
    if (m_buffer.size() < HeaderSize)
        return Result::NeedMore;
    const uint8_t type = m_buffer[0];
    const size_t length = size_t(m_buffer[2]) << 8 | m_buffer[3];
    if (!isClientPacketType(type))
        m_problem = "unknown packet type " + std::to_string(type);
    else if (length < HeaderSize)
        m_problem = "packet length " + std::to_string(length) + " is shorter than its header";
    else if (length > std::max(m_limit, DefaultPacketSize))
        m_problem = "packet length " + std::to_string(length) + " is over the packet size";
    if (!m_problem.empty())
        return Result::Malformed;
    if (m_buffer.size() < length)
        return Result::NeedMore;
    packet.type = type;
    packet.status = m_buffer[1];
    packet.data.assign(m_buffer.begin() + HeaderSize, m_buffer.begin() + std::ptrdiff_t(length));
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(length));
    return Result::Packet;
}

MessageAssembler::Result MessageAssembler::add(Packet &&packet, Message &message)
{
    if (!m_problem.empty())
        return Result::Malformed;
    if (m_open && packet.type != m_current.type) {
        m_problem = "packet of type " + std::to_string(packet.type) + " inside a message of type "
                    + std::to_string(m_current.type);
        return Result::Malformed;
    }
    if (!m_open) {
        m_open = true;
        m_current = Message{packet.type, packet.status, Bytes()};
    }
    const size_t limit = m_current.type == Login7 ? MaxLoginSize : MaxMessageSize;
    if (m_current.data.size() + packet.data.size() > limit) {
        m_problem = "message longer than " + std::to_string(limit) + " bytes";
        return Result::Malformed;
    }
    m_current.data.insert(m_current.data.end(), packet.data.begin(), packet.data.end());
    if (!(packet.status & StatusEndOfMessage))
        return Result::NeedMore;
    m_open = false;
    const bool ignored = packet.status & StatusIgnore;
    message = std::move(m_current);
    m_current = Message();
    return ignored ? Result::Ignored : Result::Message;
}

Bytes packetize(uint8_t type, const Bytes &payload, size_t packetSize, uint16_t spid)
{
    const size_t room = std::clamp(packetSize, MinPacketSize, MaxPacketSize) - HeaderSize;
    ByteWriter out;
    size_t offset = 0;
    uint8_t id = 1;
    do {
        const size_t chunk = std::min(room, payload.size() - offset);
        const bool last = offset + chunk == payload.size();
        out.u8(type);
        out.u8(last ? StatusEndOfMessage : 0);
        out.u16be(uint16_t(chunk + HeaderSize));
        out.u16be(spid);
        out.u8(id++);
        out.u8(0);
        out.bytes(payload.data() + offset, chunk);
        offset += chunk;
    } while (offset < payload.size());
    return out.take();
}

} // namespace Tds

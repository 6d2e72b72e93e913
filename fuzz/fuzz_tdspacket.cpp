// quorvet-tds-server's reading of what a client sends, on any bytes: the packet reader and
// message assembler as one connection feeds them (in pieces of any size), then the PRELOGIN,
// LOGIN7 and SQL batch parsers and the browser's answer on each message. Nothing crashes or
// reads outside its input; every message the reader accepts, cut into packets again, reads
// back the same; a LOGIN7 field never holds more text than the record has room for.
#include "fuzz/fuzzcheck.h"
#include "testserver/browserresponder.h"
#include "testserver/tdsmessages.h"
#include "testserver/tdspacket.h"

#include <cstdint>

namespace {

QString hex(const Bytes &bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())).toHex(' '));
}

// The message cut into packets of the given size reads back whole.
void checkRoundTrip(const Tds::Message &message, size_t packetSize)
{
    const Bytes packets = Tds::packetize(message.type, message.data, packetSize, 51);
    Tds::PacketReader reader;
    reader.setPacketSizeLimit(packetSize);
    reader.append(packets.data(), packets.size());
    Tds::MessageAssembler assembler;
    Tds::Packet packet;
    Tds::Message again;
    Tds::MessageAssembler::Result result = Tds::MessageAssembler::Result::NeedMore;
    while (reader.next(packet) == Tds::PacketReader::Result::Packet)
        result = assembler.add(std::move(packet), again);
    FUZZ_CHECK(result == Tds::MessageAssembler::Result::Message, hex(message.data));
    FUZZ_CHECK(again.type == message.type && again.data == message.data, hex(message.data));
}

void parse(const Tds::Message &message)
{
    (void)Tds::parsePreLogin(message.data);
    (void)Tds::parseSqlBatch(message.data);
    (void)browserResponse(message.data, "SQLEXPRESS", "127.0.0.1", 1433);
    if (const std::optional<Tds::Login7Request> login = Tds::parseLogin7(message.data)) {
        const size_t units = login->hostName.size() + login->userName.size() + login->password.size()
                             + login->appName.size() + login->serverName.size() + login->libraryName.size()
                             + login->language.size() + login->database.size();
        FUZZ_CHECK(units * 2 <= message.data.size() * 8, hex(message.data)); // each field lies inside the record
        FUZZ_CHECK(login->userName.size() * 2 <= message.data.size(), hex(message.data));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte chooses the packet size in force and the size of the pieces received.
    const size_t packetSize = Tds::MinPacketSize + size_t(data[0]) * 128;
    const size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    Tds::PacketReader reader;
    reader.setPacketSizeLimit(packetSize);
    Tds::MessageAssembler assembler;
    for (size_t offset = 0; offset < size; offset += piece) {
        reader.append(data + offset, std::min(piece, size - offset));
        Tds::Packet packet;
        Tds::PacketReader::Result r;
        while ((r = reader.next(packet)) == Tds::PacketReader::Result::Packet) {
            FUZZ_CHECK(packet.data.size() + Tds::HeaderSize <= std::max(packetSize, Tds::DefaultPacketSize),
                       QString::number(packet.data.size()));
            Tds::Message message;
            const Tds::MessageAssembler::Result m = assembler.add(std::move(packet), message);
            if (m == Tds::MessageAssembler::Result::Malformed)
                return 0;
            if (m == Tds::MessageAssembler::Result::Message) {
                parse(message);
                checkRoundTrip(message, packetSize);
            }
        }
        if (r == Tds::PacketReader::Result::Malformed)
            return 0;
    }
    return 0;
}

#include "testserver/tdsmessages.h"

namespace Tds {

namespace {
enum PreLoginOption : uint8_t { Version = 0, Encryption = 1, InstOpt = 2, ThreadId = 3, Mars = 4, Terminator = 0xFF };
constexpr uint8_t EncryptNotSupported = 2;
// LOGIN7's fixed part up to and including cbSSPILong.
constexpr size_t Login7FixedSize = 94;
} // namespace

std::optional<PreLoginRequest> parsePreLogin(const Bytes &data)
{
    PreLoginRequest request;
    ByteReader options(data);
    for (;;) {
        const uint8_t token = options.u8();
        if (options.failed())
            return std::nullopt;
        if (token == Terminator)
            break;
        const size_t offset = options.u16be();
        const size_t length = options.u16be();
        if (options.failed() || offset > data.size() || length > data.size() - offset)
            return std::nullopt;
        const uint8_t *value = data.data() + offset;
        if (token == Encryption && length >= 1)
            request.encryption = value[0];
        else if (token == InstOpt) {
            size_t n = 0;
            while (n < length && value[n] != 0)
                ++n;
            request.instance.assign(reinterpret_cast<const char *>(value), n);
        }
    }
    return request;
}

Bytes preLoginResponse()
{
    // Options: VERSION (6 bytes), ENCRYPTION (1), INSTOPT (1), MARS (1), then the terminator.
    constexpr uint16_t optionBytes = 4 * 5 + 1;
    ByteWriter out;
    uint16_t offset = optionBytes;
    const auto option = [&](uint8_t token, uint16_t length) {
        out.u8(token);
        out.u16be(offset);
        out.u16be(length);
        offset = uint16_t(offset + length);
    };
    option(Version, 6);
    option(Encryption, 1);
    option(InstOpt, 1);
    option(Mars, 1);
    out.u8(Terminator);
    // 16.0.1000.0: major, minor, big-endian build, sub-build.
    out.u8(16);
    out.u8(0);
    out.u16be(1000);
    out.u16be(0);
    out.u8(EncryptNotSupported);
    out.u8(0); // the instance matches
    out.u8(0); // no MARS
    return out.take();
}

std::optional<Login7Request> parseLogin7(const Bytes &data)
{
    ByteReader in(data);
    const uint32_t length = in.u32();
    if (data.size() < Login7FixedSize || length < Login7FixedSize || length > data.size())
        return std::nullopt;
    Login7Request login;
    login.tdsVersion = in.u32();
    login.packetSize = in.u32();
    in.skip(4 + 4 + 4); // client program version, process id, connection id
    in.u8();            // OptionFlags1
    const uint8_t flags2 = in.u8();
    login.integratedSecurity = flags2 & 0x80;
    in.skip(1 + 1 + 4 + 4); // TypeFlags, OptionFlags3, time zone, LCID

    const auto field = [&](std::u16string *target) {
        const size_t offset = in.u16();
        const size_t count = in.u16();
        if (!target || count == 0)
            return true;
        if (offset > length || count * 2 > length - offset)
            return false;
        ByteReader text(data.data() + offset, count * 2);
        *target = text.utf16(count);
        return !text.failed();
    };
    bool ok = field(&login.hostName) && field(&login.userName) && field(&login.password) && field(&login.appName)
              && field(&login.serverName) && field(nullptr) // extension
              && field(&login.libraryName) && field(&login.language) && field(&login.database);
    if (!ok || in.failed())
        return std::nullopt;
    // The password travels obfuscated: undo the XOR, then swap the nibbles back.
    for (char16_t &c : login.password) {
        uint8_t low = uint8_t(c) ^ 0xA5;
        uint8_t high = uint8_t(c >> 8) ^ 0xA5;
        low = uint8_t(low << 4 | low >> 4);
        high = uint8_t(high << 4 | high >> 4);
        c = char16_t(low | high << 8);
    }
    return login;
}

Bytes obfuscatePassword(const std::u16string &password)
{
    ByteWriter plain;
    plain.utf16(password);
    Bytes bytes = plain.take();
    for (uint8_t &b : bytes)
        b = uint8_t((b << 4 | b >> 4) ^ 0xA5);
    return bytes;
}

std::optional<std::u16string> parseSqlBatch(const Bytes &data)
{
    ByteReader in(data);
    const uint32_t total = in.u32();
    // Logins below TDS 7.2 are refused, so every batch starts with ALL_HEADERS.
    if (in.failed() || total < 4 || total > data.size())
        return std::nullopt;
    const size_t start = total;
    if ((data.size() - start) % 2 != 0)
        return std::nullopt;
    ByteReader text(data.data() + start, data.size() - start);
    return text.utf16((data.size() - start) / 2);
}

} // namespace Tds

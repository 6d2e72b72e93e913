#include "testserver/tdstokens.h"

namespace TdsToken {

const uint8_t Collation[5] = {0x09, 0x04, 0xD0, 0x00, 0x00};

void loginAck(ByteWriter &out, uint32_t tdsVersion, const std::u16string &programName)
{
    out.u8(LoginAck);
    const size_t lengthAt = out.size();
    out.u16(0);
    out.u8(1);             // interface: T-SQL
    out.u32be(tdsVersion); // the version agreed, written most significant byte first
    out.bVarchar(programName);
    out.u8(16); // program version 16.0.1000
    out.u8(0);
    out.u16be(1000);
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

void envChange(ByteWriter &out, EnvChangeType type, const std::u16string &newValue, const std::u16string &oldValue)
{
    out.u8(EnvChange);
    const size_t lengthAt = out.size();
    out.u16(0);
    out.u8(type);
    out.bVarchar(newValue);
    out.bVarchar(oldValue);
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}

void envChangeCollation(ByteWriter &out)
{
    out.u8(EnvChange);
    out.u16(1 + 1 + sizeof Collation + 1);
    out.u8(EnvCollation);
    out.u8(sizeof Collation);
    out.bytes(Collation, sizeof Collation);
    out.u8(0);
}

namespace {
void message(ByteWriter &out, uint8_t token, const ServerMessage &m)
{
    out.u8(token);
    const size_t lengthAt = out.size();
    out.u16(0);
    out.u32(uint32_t(m.number));
    out.u8(m.state);
    out.u8(m.severity);
    out.usVarchar(m.text.substr(0, 2047)); // the longest message SQL Server sends
    out.bVarchar(m.serverName);
    out.bVarchar(std::u16string()); // procedure name
    out.u32(uint32_t(m.line));
    out.patchU16(lengthAt, uint16_t(out.size() - lengthAt - 2));
}
} // namespace

void error(ByteWriter &out, const ServerMessage &m)
{
    message(out, Error, m);
}

void info(ByteWriter &out, const ServerMessage &m)
{
    message(out, Info, m);
}

void done(ByteWriter &out, uint16_t status, uint16_t command, uint64_t rowCount)
{
    out.u8(Done);
    out.u16(status);
    out.u16(command);
    out.u64(rowCount);
}

} // namespace TdsToken

#pragma once

#include "testserver/tdsbytes.h"

#include <cstdint>
#include <string>

// Writers of the server's response tokens (LOGINACK, ENVCHANGE, ERROR, INFO, DONE) in
// their TDS 7.2+ form. Column metadata and rows are written by ResultColumns.
namespace TdsToken {

enum : uint8_t {
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    LoginAck = 0xAD,
    Row = 0xD1,
    EnvChange = 0xE3,
    Done = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};

enum DoneStatus : uint16_t {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneCount = 0x0010,
    DoneAttention = 0x0020,
};

enum DoneCommand : uint16_t {
    CommandNone = 0,
    CommandSelect = 0xC1,
    CommandInsert = 0xC3,
    CommandDelete = 0xC4,
    CommandUpdate = 0xC5,
};

enum EnvChangeType : uint8_t { EnvDatabase = 1, EnvLanguage = 2, EnvPacketSize = 4, EnvCollation = 7 };

// Latin1_General_CI_AS (LCID 0x0409, case-insensitive, accent-sensitive, sort id 0):
// the collation of every text column and of the session.
extern const uint8_t Collation[5];

void loginAck(ByteWriter &out, uint32_t tdsVersion, const std::u16string &programName);
void envChange(ByteWriter &out, EnvChangeType type, const std::u16string &newValue, const std::u16string &oldValue);
void envChangeCollation(ByteWriter &out);

struct ServerMessage
{
    int32_t number = 0;
    uint8_t state = 1;
    uint8_t severity = 16; // "class": 11 and above are errors
    std::u16string text;
    std::u16string serverName;
    int32_t line = 1;
};
void error(ByteWriter &out, const ServerMessage &message);
void info(ByteWriter &out, const ServerMessage &message);

void done(ByteWriter &out, uint16_t status, uint16_t command = CommandNone, uint64_t rowCount = 0);

} // namespace TdsToken

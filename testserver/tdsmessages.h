#pragma once

#include "testserver/tdsbytes.h"

#include <cstdint>
#include <optional>
#include <string>

// The client messages the server reads (PRELOGIN, LOGIN7, SQL batch) as plain parsing
// functions: any bytes give either the message or nullopt, never a read outside the input.
// The fuzz target calls them directly.
namespace Tds {

struct PreLoginRequest
{
    uint8_t encryption = 0; // 0 off, 1 on, 2 not supported, 3 required
    std::string instance;   // as sent, without its terminating zero
};

std::optional<PreLoginRequest> parsePreLogin(const Bytes &data);

// The answer: the server's version, encryption not supported, the instance accepted, no MARS.
Bytes preLoginResponse();

constexpr uint32_t Version72 = 0x72090002;
constexpr uint32_t Version73A = 0x730A0003;
constexpr uint32_t Version73B = 0x730B0003;
constexpr uint32_t Version74 = 0x74000004;

struct Login7Request
{
    uint32_t tdsVersion = 0;
    uint32_t packetSize = 0;
    bool integratedSecurity = false;
    std::u16string hostName;
    std::u16string userName;
    std::u16string password; // decoded
    std::u16string appName;
    std::u16string serverName;
    std::u16string libraryName;
    std::u16string language;
    std::u16string database;
};

// nullopt when the fixed part is short, the declared length disagrees with the data, or
// a field's offset and length point outside the record.
std::optional<Login7Request> parseLogin7(const Bytes &data);

// The password as LOGIN7 carries it: each byte's nibbles swapped, then XOR 0xA5.
Bytes obfuscatePassword(const std::u16string &password);

// The text of a SQL batch: ALL_HEADERS (TDS 7.2 and later) skipped, the rest UTF-16LE.
// nullopt when the headers overrun the data or the text has an odd number of bytes.
std::optional<std::u16string> parseSqlBatch(const Bytes &data);

} // namespace Tds

#include "testserver/servermessages.h"

#include <sqlite3.h>

#include <cstdio>

namespace ServerMessages {

namespace {

TdsToken::ServerMessage make(int32_t number, uint8_t severity, const std::string &text, uint8_t state = 1)
{
    TdsToken::ServerMessage m;
    m.number = number;
    m.severity = severity;
    m.state = state;
    m.text = toUtf16(text);
    return m;
}

// The text after prefix when message starts with it.
bool after(const std::string &message, const std::string &prefix, std::string *rest)
{
    if (message.compare(0, prefix.size(), prefix) != 0)
        return false;
    *rest = message.substr(prefix.size());
    return true;
}

} // namespace

TdsToken::ServerMessage loginFailed(const std::u16string &user)
{
    return make(18456, 14, "Login failed for user '" + toUtf8(user) + "'.");
}

TdsToken::ServerMessage tooManyConnections(int maxConnections)
{
    return make(17809, 20,
                "Could not connect because the maximum number of '" + std::to_string(maxConnections)
                    + "' user connections has already been reached. The system administrator can use sp_configure "
                      "to increase the maximum value. The connection has been closed.");
}

TdsToken::ServerMessage conversionFailed(const std::string &value, const std::string &typeName)
{
    return make(245, 16,
                "Conversion failed when converting the varchar value '" + value + "' to data type " + typeName + ".");
}

TdsToken::ServerMessage arithmeticOverflow(const std::string &typeName)
{
    return make(8115, 16, "Arithmetic overflow error converting expression to data type " + typeName + ".");
}

TdsToken::ServerMessage cannotOpenDatabase(const std::u16string &database)
{
    return make(4060, 11,
                "Cannot open database \"" + toUtf8(database) + "\" requested by the login. The login failed.");
}

TdsToken::ServerMessage unsupportedVersion(uint32_t tdsVersion)
{
    char version[16];
    std::snprintf(version, sizeof version, "0x%08X", tdsVersion);
    return make(18452, 14,
                std::string("TDS version ") + version + " is not supported; this server speaks TDS 7.2 to 7.4.");
}

TdsToken::ServerMessage unsupportedRequest(const char *what)
{
    return make(50000, 16, std::string(what) + " requests are not supported by this test server; send SQL batches.");
}

TdsToken::ServerMessage fromSqlite(const std::string &message, int resultCode)
{
    std::string rest;
    if (after(message, "no such table: ", &rest))
        return make(208, 16, "Invalid object name '" + rest + "'.");
    if (after(message, "no such column: ", &rest))
        return make(207, 16, "Invalid column name '" + rest + "'.");
    if (after(message, "table ", &rest) && rest.size() > 15
        && rest.compare(rest.size() - 15, 15, " already exists") == 0)
        return make(2714, 16,
                    "There is already an object named '" + rest.substr(0, rest.size() - 15) + "' in the database.");
    if (after(message, "UNIQUE constraint failed: ", &rest))
        return make(2627, 14, "Violation of UNIQUE KEY constraint on " + rest + ". Cannot insert duplicate key.");
    if (after(message, "near \"", &rest)) {
        const size_t quote = rest.find("\": syntax error");
        if (quote != std::string::npos)
            return make(102, 15, "Incorrect syntax near '" + rest.substr(0, quote) + "'.");
    }
    if (message == "incomplete input")
        return make(102, 15, "Incorrect syntax near the end of the batch.");
    if ((resultCode & 0xFF) == SQLITE_BUSY || (resultCode & 0xFF) == SQLITE_LOCKED)
        return make(1222, 16, "Lock request time out period exceeded.");
    return make(50000, 16, message);
}

} // namespace ServerMessages

#pragma once

#include "testserver/tdstokens.h"

#include <string>

// The SQL Server messages the server sends: the login failures, and SQLite's errors put
// in the numbers and words SQL Server uses for the same fault (208 for a missing table,
// 207 for a missing column, 102 for a syntax error...; 50000 with SQLite's own words when
// SQL Server has no counterpart).
namespace ServerMessages {

TdsToken::ServerMessage loginFailed(const std::u16string &user);
TdsToken::ServerMessage cannotOpenDatabase(const std::u16string &database);
TdsToken::ServerMessage unsupportedVersion(uint32_t tdsVersion);
TdsToken::ServerMessage tooManyConnections(int maxConnections);
TdsToken::ServerMessage unsupportedRequest(const char *what);
// 245 and 8115: a stored value the column's declared type cannot hold.
TdsToken::ServerMessage conversionFailed(const std::string &value, const std::string &typeName);
TdsToken::ServerMessage arithmeticOverflow(const std::string &typeName);
TdsToken::ServerMessage fromSqlite(const std::string &message, int resultCode);

} // namespace ServerMessages

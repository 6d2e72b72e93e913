#pragma once

#include <QString>
#include <QStringList>

// The data environment `Data`: the three named connections of the desk with their
// member ids and connection strings. The design-time strings name the SQL Server host
// chosen at build time; the environment variables QUORVET_CONNECTION_SQLSERVER,
// QUORVET_CONNECTION_ZELMAR and QUORVET_CONNECTION_KORDA, when set and not empty, replace
// them at run time (read at each call). An override of the form "Registry=<entry>" asks for
// a connection built from the registry settings under that entry instead: the connection
// string is then empty and registryEntry() names the entry. Unknown ids or names raise
// RuntimeError 3265.
namespace Data {

constexpr int SqlServerId = 1002;
constexpr int ZelmarId = 1003;
constexpr int KordaId = 1004;

// "SqlServer", "ZELMAR", "KORDA" in this order.
QStringList connectionNames();
QString connectionName(int memberId);
int memberId(const QString &name); // case-insensitive

// The design-time string of a named connection (no environment override).
QString designTimeConnectionString(int memberId);
// The string to use: the environment override when set, else the design-time string.
QString connectionString(int memberId);
QString connectionString(const QString &name);
// The registry entry named by a "Registry=<entry>" override, else the empty text.
QString registryEntry(int memberId);

// Why the desk cannot start with the overrides as they are set (a "Registry=" override that
// names no entry, which no check-in could ever connect with), naming the variable; the
// empty text when every override can be used. The desk refuses to start with it.
QString configurationError();

} // namespace Data

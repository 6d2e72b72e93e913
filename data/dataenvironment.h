#pragma once

#include <QString>
#include <QStringList>

// The data environment `Data`: the three named connections of the desk with their
// member ids and connection strings. A connection's string is, in this order (read at each
// call): the environment variable QUORVET_CONNECTION_SQLSERVER, QUORVET_CONNECTION_ZELMAR or
// QUORVET_CONNECTION_KORDA when set and not empty; else, when the registry holds the
// connection's own entry (HKEY_LOCAL_MACHINE\SOFTWARE\Halvorix\SqlServer, Zelmar or Korda,
// as quorvet-setup writes them), the connection built from it; else the design-time string,
// which names the SQL Server host chosen at build time. An override of the form
// "Registry=<entry>" asks for a connection built from the registry settings under that entry.
// A connection built from the registry has the empty connection string, and registryEntry()
// names the entry. Unknown ids or names raise RuntimeError 3265.
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
// The registry entry to build the connection from: the one a "Registry=<entry>" override
// names, else the connection's own entry when the registry holds it and no override is set;
// otherwise the empty text.
QString registryEntry(int memberId);
// The connection's own entry name under HKEY_LOCAL_MACHINE\SOFTWARE\Halvorix\: "SqlServer",
// "Zelmar" or "Korda".
QString registryEntryName(int memberId);

// Why the desk cannot start with the overrides as they are set (a "Registry=" override that
// names no entry, which no check-in could ever connect with), naming the variable; the
// empty text when every override can be used. The desk refuses to start with it.
QString configurationError();

} // namespace Data

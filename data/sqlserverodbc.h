#pragma once

#include "data/connectionstringparts.h"

#include <QString>

// Translation of an OLE DB SQL Server connection string (SQLOLEDB) into the ODBC string
// of the FreeTDS driver: Data Source as host, host\instance or host\instance,port (a port
// wins over the instance; without one FreeTDS asks the server's browser for the instance),
// Initial Catalog, User ID, Password; TDS 7.4 and a UTF-8 client charset. Values are
// wrapped in braces as FreeTDS reads them: a braced value runs to the first "}" followed by
// ';' or the end, and "}}" is not unescaped. A value holding "};" cannot be written so, and
// is refused rather than let it end early and add keys of its own. The command time-out goes
// as FreeTDS's "Timeout" key, the default of every statement of the connection: QODBC
// allocates a statement's handle inside exec(), so SQL_ATTR_QUERY_TIMEOUT cannot be set on it.
namespace SqlServerOdbc {

struct DataSource
{
    QString host;
    QString instance; // empty when not given
    int port = 0;     // 0 when not given
};

// host[\instance][,port]; surrounding blanks removed; "tcp:" prefix dropped; "." and
// "(local)" mean 127.0.0.1. A port that is not a number in 1..65535 counts as absent.
DataSource parseDataSource(const QString &dataSource);

// "{value}", read back by FreeTDS as value when canBrace(value).
QString braced(const QString &value);
// Whether FreeTDS reads "{value}" back as value: it holds no "};".
bool canBrace(const QString &value);

// The ODBC connection string for driver (a registered driver name or a driver library path).
// When a value cannot be braced, *problem (if given) gets a message naming its key and the
// string must not be used.
QString odbcConnectionString(const ConnectionStringParts &parts, const QString &driver, const QString &user = QString(),
                             const QString &password = QString(), QString *problem = nullptr);

// Login time-out in seconds: Connect Timeout when it is a positive number, else 15.
int loginTimeoutSeconds(const ConnectionStringParts &parts);

// Command time-out in seconds, as ADO's CommandTimeout: Command Timeout when it is a positive
// number, else 30. Never unlimited: a server that stops answering must not hang the desk.
int commandTimeoutSeconds(const ConnectionStringParts &parts);

// The FreeTDS driver to name: "FreeTDS" when unixODBC has it registered, otherwise the
// path of libtdsodbc.so when found, otherwise "FreeTDS".
QString freeTdsDriver();

} // namespace SqlServerOdbc

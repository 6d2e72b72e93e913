#pragma once

#include "data/connectionstringparts.h"

#include <QString>

// Translation of an OLE DB SQL Server connection string (SQLOLEDB) into the ODBC string
// of the FreeTDS driver: Data Source as host, host\instance or host\instance,port (a port
// wins over the instance; without one FreeTDS asks the server's browser for the instance),
// Initial Catalog, User ID, Password; TDS 7.4 and a UTF-8 client charset. Values are
// wrapped in braces, so ';', '=', quotes and blanks reach the driver as they are and no value
// can add keys of its own; a value holding '}' cannot be carried and is refused.
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

// "{value}"; raises ProviderFailure (-2147467259) for a value holding '}' or a NUL.
QString braced(const QString &value);

// The ODBC connection string for driver (a registered driver name or a driver library path).
QString odbcConnectionString(const ConnectionStringParts &parts, const QString &driver, const QString &user = QString(),
                             const QString &password = QString());

// Login time-out in seconds: Connect Timeout when it is a positive number, else 15.
int loginTimeoutSeconds(const ConnectionStringParts &parts);

// The FreeTDS driver to name: "FreeTDS" when unixODBC has it registered, otherwise the
// path of libtdsodbc.so when found, otherwise "FreeTDS".
QString freeTdsDriver();

} // namespace SqlServerOdbc

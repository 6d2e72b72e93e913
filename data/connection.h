#pragma once

#include "data/dberror.h"

#include <QString>

#include <cstdint>
#include <memory>

class Connection;
class Recordset;
class ProviderSession;
using ConnectionRef = std::shared_ptr<Connection>;
using RecordsetRef = std::shared_ptr<Recordset>;

// An ADO-like connection: a connection string, Open/Close, Execute and an Errors
// collection. The provider is chosen by the string's Provider key: "SQLOLEDB.1" (also
// "SQLOLEDB", "MSOLEDBSQL") for SQL Server over ODBC/FreeTDS, "SQLite" for the embedded
// store. Callers own connections through ConnectionRef and pass them by reference;
// recordsets keep the provider session they read from alive, so closing or dropping the
// connection never pulls a session from under an open recordset.
// Failures raise RuntimeError and are appended to Errors(): 3709 for an operation on a
// closed connection, -2147467259 for a failed open, -2147217900 for a rejected command
// (the description is then the server's message), 3705/3704 for Open/Close in the wrong state.
class Connection
{
public:
    enum State { StateClosed = 0, StateOpen = 1 };

    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const QString &ConnectionString() const { return m_connectionString; }
    // Raises 3705 while the connection is open.
    void setConnectionString(const QString &connectionString);

    // A non-empty connectionString replaces ConnectionString(); a non-empty user or
    // password overrides the string's User ID / Password. options is accepted and ignored.
    void Open(const QString &connectionString = QString(), const QString &user = QString(),
              const QString &password = QString(), int options = -1);
    void Close();
    int State() const;

    // Runs a statement. Returns an open recordset positioned on the first row when the
    // statement yields rows, a closed one otherwise (for example after an UPDATE).
    RecordsetRef Execute(const QString &sql, int64_t *recordsAffected = nullptr, int options = -1);

    DbErrors &Errors() { return m_errors; }
    const DbErrors &Errors() const { return m_errors; }

    // For Recordset::Open: the open session, or raises 3709.
    std::shared_ptr<ProviderSession> session();
    // Appends the error to Errors() and raises it.
    [[noreturn]] void fail(int32_t number, const QString &description, const QString &sqlState = QString(),
                           int32_t nativeError = 0);

private:
    QString m_connectionString;
    std::shared_ptr<ProviderSession> m_session;
    DbErrors m_errors;
};

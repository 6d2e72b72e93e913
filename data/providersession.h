#pragma once

#include "data/connectionstringparts.h"
#include "data/value.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

// The rows of one statement, read forward only. fetch() fills row with the next row's
// values (one per field name) and returns true, or returns false at the end. Failures
// raise ProviderFailure. A cursor keeps its session alive.
class ProviderCursor
{
public:
    virtual ~ProviderCursor() = default;
    virtual QStringList fieldNames() const = 0;
    virtual bool fetch(std::vector<Value> &row) = 0;
};

// A failure as the provider saw it; Connection turns it into an entry of Errors and a
// RuntimeError.
struct ProviderFailure
{
    int32_t number;
    QString description;
    QString sqlState;
    int32_t nativeError = 0;
};

// One open connection to a database through one provider. Created by open(), closed when
// the last owner (the connection or one of its cursors) lets go of it.
class ProviderSession : public std::enable_shared_from_this<ProviderSession>
{
public:
    virtual ~ProviderSession() = default;

    // Runs one statement. Returns the cursor of its rows when the statement yields rows,
    // nullptr otherwise; *affected gets the rows changed (-1 when unknown). Raises ProviderFailure.
    virtual std::unique_ptr<ProviderCursor> execute(const QString &sql, int64_t *affected) = 0;

    // False once what the session was opened on is no longer there as it was (a database
    // file replaced or cut short); such a session is not handed out again by the pool.
    virtual bool stillCurrent() const { return true; }

    // Opens a session for the connection string's Provider; user and password, when not
    // empty, override the string's. Raises ProviderFailure (number -2147467259 when the
    // server cannot be reached or refuses the login, 3706 for an unknown provider).
    static std::shared_ptr<ProviderSession> open(const ConnectionStringParts &parts, const QString &user,
                                                 const QString &password);
};

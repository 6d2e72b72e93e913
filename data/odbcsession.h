#pragma once

#include "data/connectionstringparts.h"
#include "data/providersession.h"

#include <QString>

#include <memory>

// SQL Server through Qt's QODBC driver and FreeTDS. Each session owns one QSqlDatabase
// connection under a name of its own, removed when the session ends. Statements go to the
// server exactly as written, as forward-only queries read row by row to their end before
// execute() returns (FreeTDS allows one active statement per connection); the values are
// read from QODBC's statement handle by OdbcRowReader.
class OdbcSession : public ProviderSession
{
public:
    static std::shared_ptr<OdbcSession> open(const ConnectionStringParts &parts, const QString &user,
                                             const QString &password);
    ~OdbcSession() override;

    std::unique_ptr<ProviderCursor> execute(const QString &sql, int64_t *affected) override;

    const QString &connectionName() const { return m_name; }

private:
    struct RowsCursor;
    // Under a connect deadline: the statement with its own time-out, on a handle of our own.
    std::unique_ptr<ProviderCursor> executeBounded(const QString &sql, int64_t *affected, int timeoutSeconds);

    OdbcSession(QString name, QString server) : m_name(std::move(name)), m_server(std::move(server)) {}

    QString m_name;
    QString m_server; // its Data Source, as the connection string names it
};

#include "data/connection.h"

#include "data/providersession.h"
#include "data/recordset.h"
#include "platform/runtimeerror.h"

Connection::Connection() = default;

Connection::~Connection() = default;

void Connection::setConnectionString(const QString &connectionString)
{
    if (m_session)
        fail(AdoError::ObjectOpen, AdoError::text(AdoError::ObjectOpen));
    m_connectionString = connectionString;
}

void Connection::Open(const QString &connectionString, const QString &user, const QString &password, int options)
{
    Q_UNUSED(options);
    if (m_session)
        fail(AdoError::ObjectOpen, AdoError::text(AdoError::ObjectOpen));
    if (!connectionString.isEmpty())
        m_connectionString = connectionString;
    try {
        m_session = ProviderSession::open(ConnectionStringParts::parse(m_connectionString), user, password);
    } catch (const ProviderFailure &f) {
        fail(f.number, f.description, f.sqlState, f.nativeError);
    }
}

void Connection::Close()
{
    if (!m_session)
        fail(AdoError::ObjectClosed, AdoError::text(AdoError::ObjectClosed));
    // Open recordsets hold their own reference; the session closes when the last one goes.
    m_session.reset();
}

int Connection::State() const
{
    return m_session ? StateOpen : StateClosed;
}

std::shared_ptr<ProviderSession> Connection::session()
{
    if (!m_session)
        fail(AdoError::ConnectionClosed, AdoError::text(AdoError::ConnectionClosed));
    return m_session;
}

RecordsetRef Connection::Execute(const QString &sql, int64_t *recordsAffected, int options)
{
    Q_UNUSED(options);
    std::shared_ptr<ProviderSession> s = session();
    auto rs = std::make_shared<Recordset>();
    int64_t affected = -1;
    std::unique_ptr<ProviderCursor> cursor;
    try {
        cursor = s->execute(sql, &affected);
    } catch (const ProviderFailure &f) {
        fail(f.number, f.description, f.sqlState, f.nativeError);
    }
    if (recordsAffected)
        *recordsAffected = affected;
    if (cursor) {
        try {
            rs->attach(std::move(cursor));
        } catch (const ProviderFailure &f) {
            fail(f.number, f.description, f.sqlState, f.nativeError);
        }
    }
    return rs;
}

void Connection::fail(int32_t number, const QString &description, const QString &sqlState, int32_t nativeError)
{
    m_errors.append(DbError(number, description, sqlState, nativeError));
    throw RuntimeError(number, description);
}

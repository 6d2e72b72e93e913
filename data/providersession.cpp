#include "data/providersession.h"

#include "data/dberror.h"
#include "data/odbcsession.h"
#include "data/sessionpool.h"
#include "data/sqlitesession.h"

std::shared_ptr<ProviderSession> ProviderSession::open(const ConnectionStringParts &parts, const QString &user,
                                                       const QString &password)
{
    const QString provider = parts.value(QStringLiteral("Provider")).trimmed();
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        return SessionPool::take(SessionPool::key(parts, user, password),
                                 [=] { return std::shared_ptr<ProviderSession>(SqliteSession::open(parts)); });
    if (provider.compare(QLatin1String("SQLOLEDB.1"), Qt::CaseInsensitive) == 0
        || provider.compare(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) == 0
        || provider.compare(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive) == 0
        || provider.startsWith(QLatin1String("MSOLEDBSQL."), Qt::CaseInsensitive))
        return SessionPool::take(SessionPool::key(parts, user, password), [=] {
            return std::shared_ptr<ProviderSession>(OdbcSession::open(parts, user, password));
        });
    throw ProviderFailure{AdoError::ProviderNotFound, AdoError::text(AdoError::ProviderNotFound), QString(), 0};
}

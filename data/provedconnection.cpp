#include "data/provedconnection.h"

#include "data/connectionstringparts.h"
#include "data/dataenvironment.h"
#include "data/modtestconnection.h"
#include "data/recordset.h"
#include "data/sessionpool.h"
#include "data/sqlserverodbc.h"
#include "platform/runtimeerror.h"

#include <algorithm>
#include <optional>

namespace ProvedConnection {

int connectSeconds()
{
    int seconds = 0;
    for (const int id : {Data::ZelmarId, Data::KordaId, Data::SqlServerId})
        seconds = std::max(
            seconds, SqlServerOdbc::loginTimeoutSeconds(ConnectionStringParts::parse(Data::connectionString(id))));
    return seconds;
}

ConnectionRef open(int memberId, bool fresh)
{
    std::optional<SessionPool::FreshLogins> freshLogins;
    if (fresh)
        freshLogins.emplace();
    auto connection = std::make_shared<Connection>();
    QString connectionString = Data::connectionString(memberId);
    QString registryEntry = Data::registryEntry(memberId);
    bool open = false;
    try {
        open = modTestConnection::BuildConnectionString(connection, registryEntry, connectionString);
        if (open) // the pool's check of an idle session, or the new login's first answer
            connection->Execute(SessionPool::Probe);
    } catch (...) {
        open = false;
    }
    if (!open)
        throw RuntimeError(-2147467259,
                           QStringLiteral("Não foi possivel ligar ao servidor ") + Data::connectionName(memberId));
    return connection;
}

} // namespace ProvedConnection

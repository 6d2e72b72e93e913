#pragma once

#include "data/connectionstringparts.h"
#include "data/providersession.h"

#include <QString>

#include <functional>
#include <memory>

// Open sessions kept per process, so that the desk's three connections per check-in cost no
// new logins on SQL Server, and no open, attach and journal set-up on the embedded store. An
// embedded session whose file was replaced or cut short meanwhile is closed, not handed out. Ours rather than
// unixODBC's pooling: QODBC allocates its own environment handle per connection, which unixODBC's pool does not share,
// and its check of a pooled connection (SQL_ATTR_CONNECTION_DEAD) only knows of a link already seen broken, not of a
// server that was restarted meanwhile.
//
// Sessions are kept by the full connection text with the user and password that override
// it, on the application's main thread only (a QODBC connection belongs to the thread that
// opened it). A session comes back to the pool when its last owner lets go, unless one of
// its statements failed. A session taken from the pool is proved by its first statement:
// when that is the desk's probe it serves as the check, otherwise the probe runs first. A
// check that fails discards the session and opens a new one in its place, so a dead session
// is never handed out and the first check-in after a server restart works as any other. Any
// failure on a session of a key (its check, a statement, a login) discards every idle session
// of that key as well: they all lead to the server that just failed.
// QUORVET_SESSION_POOL=off turns pooling off (for measuring the difference).
namespace SessionPool {

// The probe the desk runs on every connection it opens.
extern const QString Probe;

using Opener = std::function<std::shared_ptr<ProviderSession>()>;

// A session for key: an idle one of the pool, or one opened by open().
std::shared_ptr<ProviderSession> take(const QString &key, const Opener &open);

// The key of a connection string with the user and password given to Open.
QString key(const ConnectionStringParts &parts, const QString &user, const QString &password);

// While one is alive, take() on this thread logs in anew instead of handing out an idle
// session: for a second attempt after a failure, which must meet the server itself.
class FreshLogins
{
public:
    FreshLogins();
    ~FreshLogins();
    FreshLogins(const FreshLogins &) = delete;
    FreshLogins &operator=(const FreshLogins &) = delete;
};

bool enabled();
// Closes the idle sessions.
void clear();
int idleCount();

} // namespace SessionPool

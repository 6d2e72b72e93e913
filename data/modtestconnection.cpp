#include "data/modtestconnection.h"

#include "data/connectionstringparts.h"
#include "data/recordset.h"
#include "data/sessionpool.h"
#include "platform/modregistry.h"
#include "platform/passwordcodec.h"
#include "platform/runtimeerror.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <optional>

namespace modTestConnection {

namespace {

// The dialog of the test that is running; empty between calls.
std::unique_ptr<ServerDialog> g_dialog;
ServerDialogFactory g_factory;

const QString RegistryRoot = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\");

// The error of a skipped step, kept for the steps that follow.
struct PendingError
{
    int32_t number = 0;
    QString description;

    bool isSet() const { return number != 0; }
    void clear() { *this = PendingError(); }
};

// Runs one step; when it fails the failure is recorded and the caller goes on with the next.
// Returns true when the step ran to its end.
template<typename Step>
bool attempt(PendingError &pending, Step &&step)
{
    try {
        step();
        return true;
    } catch (...) {
        const CurrentError e = currentError();
        pending.number = e.number != 0 ? e.number : ErrorNumber::InternalError;
        pending.description = e.description;
        return false;
    }
}

// A call on a connection variable that holds no object fails like the runtime's "object
// variable not set"; the step is then skipped like any other failing step.
Connection &object(const ConnectionRef &connection)
{
    if (!connection)
        throw RuntimeError::objectNotSet();
    return *connection;
}

ServerDialog &dialog()
{
    if (!g_dialog)
        throw RuntimeError::objectNotSet();
    return *g_dialog;
}

// Hides the dialog (first close, while visible), unloads it (second close) and lets it go.
void unloadDialog(PendingError &pending)
{
    attempt(pending, [] { dialog().Close(); });
    attempt(pending, [] { dialog().Close(); });
    g_dialog.reset();
}

// Whether the dialog is on screen; a dialog that is gone is not.
bool dialogVisible()
{
    PendingError ignored;
    bool visible = false;
    attempt(ignored, [&] { visible = dialog().Visible(); });
    return visible;
}

// The owner form is enabled again on every way out of the test.
class OwnerLock
{
public:
    explicit OwnerLock(OwnerForm *owner, PendingError &pending) : m_owner(owner), m_pending(pending)
    {
        if (m_owner)
            attempt(m_pending, [this] { m_owner->setFormEnabled(false); });
    }
    ~OwnerLock()
    {
        if (m_owner)
            attempt(m_pending, [this] { m_owner->setFormEnabled(true); });
    }
    OwnerLock(const OwnerLock &) = delete;
    OwnerLock &operator=(const OwnerLock &) = delete;

private:
    OwnerForm *m_owner;
    PendingError &m_pending;
};

} // namespace

namespace {

// An attempt after a failure: a new login (never an idle session of the pool, which leads to
// the server that just failed), proved by the probe as the first attempt was.
bool attemptAnew(ConnectionRef &connection, QString &registryEntry, QString &connectionString)
{
    const SessionPool::FreshLogins fresh;
    if (!BuildConnectionString(connection, registryEntry, connectionString))
        return false;
    PendingError pending;
    return attempt(pending, [&] {
        RecordsetRef probe = object(connection).Execute(SessionPool::Probe, nullptr, -1);
        probe.reset();
    });
}

} // namespace

void setServerDialogFactory(ServerDialogFactory factory)
{
    g_factory = std::move(factory);
}

QString ComposeConnectionString(const QString &securityInfo, const QString &user, const QString &password,
                                const QString &catalog, const QString &dataSource)
{
    // A value holding ';', a quote or blanks at its ends is quoted, so that it reaches the
    // provider whole; any other value is written as it stands.
    const auto q = [](const QString &value) { return ConnectionStringParts::quoted(value); };
    return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=") + q(securityInfo) + QStringLiteral(";User ID=")
           + q(user) + QStringLiteral(";Password=") + q(password) + QStringLiteral(";Initial Catalog=") + q(catalog)
           + QStringLiteral(";Data Source=") + q(dataSource) + QStringLiteral(";Connect Timeout=15");
}

bool BuildConnectionString(ConnectionRef &connection, QString &registryEntry, QString &connectionString)
{
    PendingError pending;

    if (connectionString.isEmpty()) {
        const QString keyPath = RegistryRoot + registryEntry;
        QStringList values;
        for (const char *name : {"dtSecurityInfo", "dtUser", "dtPassword", "dtInitialCatalog", "dtDataSource"}) {
            RegResult value;
            attempt(pending, [&] {
                value = modRegistry::ObterValorString(keyPath, QString::fromLatin1(name), std::nullopt, false);
            });
            // A value that is missing, or a path that names no root, leaves the connection untouched.
            if (!value.isText())
                return false;
            values << value.text();
        }
        QString password;
        attempt(pending, [&] { password = PasswordCodec::DecodePassword(values[2]); });
        connectionString = ComposeConnectionString(values[0], values[1], password, values[3], values[4]);
    }

    // An open connection is closed first, so that the outcome is that of this opening and not
    // of an earlier one (otherwise the string could not be set and Open would be refused,
    // leaving the old, possibly broken, session looking like a success).
    bool closed = true;
    if (!attempt(pending, [&] { closed = object(connection).State() == Connection::StateClosed; }) || !closed)
        attempt(pending, [&] { object(connection).Close(); });

    attempt(pending, [&] { object(connection).setConnectionString(connectionString); });
    attempt(pending, [&] { object(connection).Open(QString(), QString(), QString(), -1); });

    bool open = false;
    attempt(pending, [&] { open = object(connection).State() == Connection::StateOpen; });
    return open;
}

bool TestConnection(ConnectionRef &connection, QString &registryEntry, OwnerForm *owner, QString &connectionString,
                    bool &retry)
{
    PendingError pending;
    bool result = false;
    OwnerLock lock(owner, pending);

    bool closed = true;
    if (!attempt(pending, [&] { closed = object(connection).State() == Connection::StateClosed; }) || closed)
        BuildConnectionString(connection, registryEntry, connectionString);

    // The probe; on a pooled session it is also the pool's check that the session still answers.
    attempt(pending, [&] {
        RecordsetRef probe = object(connection).Execute(SessionPool::Probe, nullptr, -1);
        probe.reset();
    });

    if (owner)
        attempt(pending, [&] { owner->Refresh(); });

    bool open = false;
    int errorCount = 1;
    attempt(pending, [&] { open = object(connection).State() == Connection::StateOpen; });
    attempt(pending, [&] { errorCount = object(connection).Errors().Count(); });
    if (open && errorCount == 0 && !pending.isSet())
        return true;

    attempt(pending, [&] { object(connection).Errors().Clear(); });
    pending.clear();

    // A dialog left over from a test that never finished is let go first.
    g_dialog.reset();
    attempt(pending, [] {
        if (g_factory)
            g_dialog = g_factory();
    });
    attempt(pending, [] { dialog().setCommand1Enabled(false); });
    attempt(pending, [] { dialog().Show(); });
    attempt(pending, [] { dialog().Refresh(); });

    // Without a dialog the operator cannot be asked to retry: one more attempt decides.
    if (!retry || !g_dialog) {
        result = attemptAnew(connection, registryEntry, connectionString);
        unloadDialog(pending);
        return result;
    }

    for (;;) {
        if (attemptAnew(connection, registryEntry, connectionString)) {
            result = true;
            unloadDialog(pending);
            break;
        }
        if (owner)
            attempt(pending, [&] { owner->Refresh(); });
        attempt(pending, [] { dialog().setCommand1Enabled(true); });
        if (!dialogVisible()) {
            attempt(pending, [] { dialog().Show(); });
            attempt(pending, [] { dialog().Refresh(); });
        }
        // Either button hides the dialog; until then the rest of the desk keeps running.
        while (dialogVisible() && QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!dialogVisible()) {
            // A dialog that was destroyed meanwhile can no longer be shown: the test ends there.
            if (!attempt(pending, [] { dialog().Show(); })) {
                g_dialog.reset();
                break;
            }
            attempt(pending, [] { dialog().Refresh(); });
            attempt(pending, [] { dialog().setCommand1Enabled(false); });
        }
    }
    return result;
}

} // namespace modTestConnection

#pragma once

#include "data/connection.h"

#include <QString>

#include <functional>
#include <memory>

// The connection test: opens a connection when it is closed, proves it with a probe query
// and, when the probe fails, shows the SQL server dialog while it tries once more (or, in
// the retrying mode, until an attempt succeeds). It runs in skip-on-error mode: a failing
// step is passed over and the outcome is decided from the connection's state, its Errors
// collection and the pending error. Nothing is reported or shown besides the dialog.
namespace modTestConnection {

// The window that started a test: disabled for the whole test and repainted after the probe.
class OwnerForm
{
public:
    virtual ~OwnerForm() = default;
    virtual void setFormEnabled(bool enabled) = 0;
    virtual void Refresh() = 0;
};

// The SQL server dialog as the test drives it. A close request on the visible dialog only
// hides it; a close request on the hidden dialog unloads it.
class ServerDialog
{
public:
    virtual ~ServerDialog() = default;
    virtual void Show() = 0; // modeless
    virtual void Refresh() = 0;
    virtual bool Visible() const = 0;
    virtual void setCommand1Enabled(bool enabled) = 0;
    virtual void Close() = 0;
};

// Installed by the application (the real dialog of forms/); without a factory the test
// runs without a dialog.
using ServerDialogFactory = std::function<std::unique_ptr<ServerDialog>()>;
void setServerDialogFactory(ServerDialogFactory factory);

bool TestConnection(ConnectionRef &connection, QString &registryEntry, OwnerForm *owner, QString &connectionString,
                    bool &retry);
bool BuildConnectionString(ConnectionRef &connection, QString &registryEntry, QString &connectionString);
// The string BuildConnectionString composes from the five registry values, the password in
// clear: Provider, Persist Security Info, User ID, Password, Initial Catalog, Data Source and
// "Connect Timeout=15", in this order.
QString ComposeConnectionString(const QString &securityInfo, const QString &user, const QString &password,
                                const QString &catalog, const QString &dataSource);

} // namespace modTestConnection

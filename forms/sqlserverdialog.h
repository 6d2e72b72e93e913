#pragma once

#include "data/modtestconnection.h"
#include "forms/frmsqlserver.h"

#include <QPointer>

// The SQL server dialog as the connection test drives it: creates and loads a frmSQLServer
// and passes the test's calls on to it. The window unloads itself on the second close; a
// window still alive when the adapter goes is deleted with it. Calls on a window that is gone
// raise RuntimeError 424, which the test passes over like any failing step.
class SqlServerDialog : public modTestConnection::ServerDialog
{
public:
    SqlServerDialog();
    ~SqlServerDialog() override;
    SqlServerDialog(const SqlServerDialog &) = delete;
    SqlServerDialog &operator=(const SqlServerDialog &) = delete;

    void Show() override;
    void Refresh() override;
    bool Visible() const override;
    void setCommand1Enabled(bool enabled) override;
    void Close() override;

    frmSQLServer *form() const { return m_form; }

private:
    frmSQLServer &loaded() const;

    QPointer<frmSQLServer> m_form;
};

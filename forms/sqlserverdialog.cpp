#include "forms/sqlserverdialog.h"

#include "platform/runtimeerror.h"

#include <QPushButton>

SqlServerDialog::SqlServerDialog() : m_form(new frmSQLServer)
{
}

SqlServerDialog::~SqlServerDialog()
{
    delete m_form.data();
}

frmSQLServer &SqlServerDialog::loaded() const
{
    if (!m_form)
        throw RuntimeError(ErrorNumber::ObjectRequired, QStringLiteral("Object required"));
    return *m_form;
}

void SqlServerDialog::Show()
{
    loaded().show();
}

void SqlServerDialog::Refresh()
{
    loaded().repaint();
}

bool SqlServerDialog::Visible() const
{
    return loaded().isVisible();
}

void SqlServerDialog::setCommand1Enabled(bool enabled)
{
    loaded().Command1()->setEnabled(enabled);
}

void SqlServerDialog::Close()
{
    loaded().close();
}

#pragma once

#include "data/modtestconnection.h"

#include <QPointer>
#include <QWidget>

// Any window as the owner form of a connection test: disabled while the test runs and
// repainted after the probe. It does not own the widget; once the widget is gone the calls
// do nothing.
class WidgetOwner : public modTestConnection::OwnerForm
{
public:
    explicit WidgetOwner(QWidget *widget) : m_widget(widget) {}

    void setFormEnabled(bool enabled) override;
    void Refresh() override;

    QWidget *widget() const { return m_widget; }

private:
    QPointer<QWidget> m_widget;
};

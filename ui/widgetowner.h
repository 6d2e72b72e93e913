#pragma once

#include "data/modtestconnection.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

// Any window as the owner form of a connection test: it takes no input while the test runs
// and shows its pending changes after the probe. It does not own the widget; once the
// widget is gone the calls do nothing.
//
// The window is locked by holding back its input, not by QWidget::setEnabled: a disabled
// window greys every control and must be painted whole twice per test, which at three tests
// per check-in was most of the desk's time; the operator is meant to see the window as it
// was, only not react to it.
class WidgetOwner : public QObject, public modTestConnection::OwnerForm
{
public:
    explicit WidgetOwner(QWidget *widget) : m_widget(widget) {}
    ~WidgetOwner() override;

    void setFormEnabled(bool enabled) override;
    void Refresh() override;

    QWidget *widget() const { return m_widget; }
    // False while a test holds the window's input back.
    bool takesInput() const { return !m_locked; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isOwnersInput(QObject *receiver, const QEvent *event) const;

    QPointer<QWidget> m_widget;
    bool m_locked = false;
};

#include "ui/widgetowner.h"

#include "ui/paintnow.h"

#include <QAction>
#include <QApplication>
#include <QEvent>

namespace {

bool isInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove: return true;
    case QEvent::Close:
        // The window's own close button; a close asked by the program goes through.
        return event->spontaneous();
    default: return false;
    }
}

} // namespace

WidgetOwner::~WidgetOwner()
{
    setFormEnabled(true);
}

void WidgetOwner::setFormEnabled(bool enabled)
{
    if (enabled == !m_locked || !qApp)
        return;
    m_locked = !enabled;
    if (m_locked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void WidgetOwner::Refresh()
{
    if (m_widget)
        PaintNow::pendingChanges(m_widget);
}

bool WidgetOwner::isOwnersInput(QObject *receiver, const QEvent *event) const
{
    if (!m_widget || !isInput(event))
        return false;
    // A shortcut is delivered to its action, which belongs to a widget of the window.
    QObject *object = receiver;
    while (object && !object->isWidgetType())
        object = object->parent();
    auto *widget = static_cast<QWidget *>(object);
    return widget && (widget == m_widget || m_widget->isAncestorOf(widget));
}

bool WidgetOwner::eventFilter(QObject *watched, QEvent *event)
{
    if (m_locked && isOwnersInput(watched, event))
        return true;
    return QObject::eventFilter(watched, event);
}

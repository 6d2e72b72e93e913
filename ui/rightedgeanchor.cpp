#include "ui/rightedgeanchor.h"

#include <QEvent>
#include <QWidget>

RightEdgeAnchor::RightEdgeAnchor(QWidget *control, int margin) : QObject(control), m_control(control), m_margin(margin)
{
    control->window()->installEventFilter(this);
    if (control->parentWidget())
        control->parentWidget()->installEventFilter(this);
    place();
}

void RightEdgeAnchor::place()
{
    QWidget *container = m_control ? m_control->parentWidget() : nullptr;
    if (!container)
        return;
    const QWidget *window = m_control->window();
    const int windowRight = container->mapFrom(window, QPoint(window->width(), 0)).x();
    m_control->move(windowRight - m_margin - m_control->width(), m_control->y());
}

bool RightEdgeAnchor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
        place();
    return QObject::eventFilter(watched, event);
}

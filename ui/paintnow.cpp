#include "ui/paintnow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace PaintNow {

void pendingChanges(QWidget *widget)
{
    if (!widget)
        return;
    QWidget *window = widget->window();
    if (!window->isVisible())
        return;
    // A widget shown again (a verdict label hidden by the last key press) is laid out and marked
    // for repainting by posted events, which would otherwise wait for the event loop: the
    // verdict would reach the screen only after everything that follows it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
    // An update request sent rather than posted makes the window paint its marked regions
    // and hand them to the screen before returning.
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window, &request);
}

} // namespace PaintNow

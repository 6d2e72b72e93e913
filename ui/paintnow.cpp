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
    // An update request sent rather than posted makes the window paint its marked regions
    // and hand them to the screen before returning.
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(window, &request);
}

} // namespace PaintNow

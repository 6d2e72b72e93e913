#include "ui/widgetowner.h"

void WidgetOwner::setFormEnabled(bool enabled)
{
    if (m_widget)
        m_widget->setEnabled(enabled);
}

void WidgetOwner::Refresh()
{
    if (m_widget)
        m_widget->repaint();
}

#include "ui/vbtimer.h"

#include "platform/runtimeerror.h"

VbTimer::VbTimer(QObject *parent) : QObject(parent)
{
    // Qt lets a coarse timer fire up to 5 % early or late (100 ms of the two-second pause);
    // the pause after a verdict is felt at the door, so it is timed to the millisecond.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &VbTimer::Timer);
}

void VbTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void VbTimer::setInterval(int milliseconds)
{
    if (milliseconds < 0 || milliseconds > 65535)
        throw RuntimeError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    m_interval = milliseconds;
    apply();
}

void VbTimer::apply()
{
    // QTimer would fire continuously with interval 0; an interval of 0 means "armed, silent".
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

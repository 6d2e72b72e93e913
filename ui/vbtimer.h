#pragma once

#include <QObject>
#include <QTimer>

// A timer with the desk's Enabled/Interval rules: it ticks every Interval milliseconds while
// it is enabled and Interval is above zero; enabled with Interval 0 it is armed but never
// ticks; giving it a new Interval starts the count again; disabling it stops it. Owned by
// its parent; an Interval outside 0..65535 raises RuntimeError 380 and changes nothing.
class VbTimer : public QObject
{
    Q_OBJECT
public:
    explicit VbTimer(QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    int Interval() const { return m_interval; }
    void setInterval(int milliseconds);

    // Whether a tick is pending (enabled with a non-zero interval).
    bool isRunning() const { return m_timer.isActive(); }
    // The kind of Qt timer behind it: precise, so a tick is never a few percent early or late.
    Qt::TimerType timerType() const { return m_timer.timerType(); }

signals:
    void Timer();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 0;
};

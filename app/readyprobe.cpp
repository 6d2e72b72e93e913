#include "app/readyprobe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

ReadyProbe::ReadyProbe(QWidget *window, QWidget *entryBox, std::function<void()> onReady)
    : QObject(window), m_window(window), m_entryBox(entryBox), m_onReady(std::move(onReady))
{
    // The window itself may never receive a paint event of its own (its frames cover it);
    // the entry box is painted in the same pass as the rest of the window.
    entryBox->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this] { check(); });
}

bool ReadyProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_entryBox && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // The filter runs before the box paints; look again once the whole pass is done.
        QTimer::singleShot(0, this, [this] { check(); });
    }
    return QObject::eventFilter(watched, event);
}

void ReadyProbe::check()
{
    if (m_fired || !m_painted || !m_entryBox || !m_entryBox->hasFocus())
        return;
    m_fired = true;
    // Always from the event loop, never from inside the show that made the window ready,
    // so the callback may leave the event loop (which before exec() would be lost).
    QTimer::singleShot(0, this, [this] {
        if (m_onReady)
            m_onReady();
    });
}

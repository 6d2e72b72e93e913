#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

// Tells once when the desk is ready for the first number: the window has been painted (the
// entry box in it) and the entry box holds the keyboard focus (in whichever order they happen). Used by
// --exit-when-ready to time the start-up. Owned by its window (a child QObject); the
// callback runs at most once, from the event loop, and is dropped if the window goes first.
class ReadyProbe : public QObject
{
    Q_OBJECT
public:
    ReadyProbe(QWidget *window, QWidget *entryBox, std::function<void()> onReady);

    bool fired() const { return m_fired; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void check();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_entryBox;
    std::function<void()> m_onReady;
    bool m_painted = false;
    bool m_fired = false;
};

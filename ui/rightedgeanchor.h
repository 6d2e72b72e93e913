#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Keeps a child control at the right edge of its window: its right side `margin` pixels in
// from the window's right side, whatever the container's own width (a header band may reach
// past the window). Follows every resize and move of the window and of the container.
// A child QObject of the control, so it goes with it.
class RightEdgeAnchor : public QObject
{
    Q_OBJECT
public:
    RightEdgeAnchor(QWidget *control, int margin);

    void place();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_control;
    int m_margin;
};

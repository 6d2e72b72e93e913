#pragma once

#include <QLabel>
#include <QPixmap>

// A picture control: a label showing a pixmap that keeps its look while it or its window
// is disabled. The desk disables its whole window while each connection is tested and
// repaints it meanwhile; a plain QLabel would then grey its picture anew at every paint,
// which costs a millisecond per paint for the header artwork and makes the header flash.
// Text, if any is set, is drawn as by QLabel. Owned by its parent; nothing here fails.
class ImageBox : public QLabel
{
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_scaled; // the stretched picture for the disabled state
    qint64 m_scaledFrom = 0;
};

#include "ui/imagebox.h"

#include <QPainter>
#include <QStyle>

ImageBox::ImageBox(QWidget *parent) : QLabel(parent)
{
}

void ImageBox::paintEvent(QPaintEvent *event)
{
    const QPixmap picture = pixmap();
    if (isEnabled() || picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    // Drawn as the enabled label draws it, without the disabled variant of the picture.
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    if (hasScaledContents()) {
        // Scaled once per size, the way the label scales it.
        const QSize size = area.size() * devicePixelRatio();
        if (m_scaled.size() != size || m_scaledFrom != picture.cacheKey()) {
            m_scaled = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_scaled.setDevicePixelRatio(devicePixelRatio());
            m_scaledFrom = picture.cacheKey();
        }
        painter.drawPixmap(area.topLeft(), m_scaled);
    } else {
        style()->drawItemPixmap(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()), picture);
    }
}

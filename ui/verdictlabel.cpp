#include "ui/verdictlabel.h"

#include <QFontMetricsF>
#include <QPainter>

VerdictLabel::VerdictLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    // A verdict carries call signs and server messages: text, never markup, as it is drawn.
    setTextFormat(Qt::PlainText);
}

qreal VerdictLabel::fittingPointSize(const QFont &font, const QString &text, qreal width, qreal minimum)
{
    const qreal designSize = font.pointSizeF();
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
    if (textWidth <= width || textWidth <= 0 || designSize <= minimum)
        return designSize;
    // Text width grows about linearly with the point size; step down from the estimate
    // until it really fits, since hinting and kerning do not scale exactly.
    QFont probe(font);
    qreal size = std::max(minimum, designSize * width / textWidth);
    for (; size > minimum; size -= 0.5) {
        probe.setPointSizeF(size);
        if (QFontMetricsF(probe).horizontalAdvance(text) <= width)
            return size;
    }
    return minimum;
}

QRect VerdictLabel::captionArea() const
{
    QRect area = contentsRect();
    if (m_clearOf && m_clearOf->isVisible() && m_clearOf->parentWidget() == parentWidget()) {
        const QRect over = m_clearOf->geometry();
        // Its right edge within the label, and a quarter of its width as a gap.
        const int side = over.right() + 1 - geometry().left() + over.width() / 4;
        if (side > 0 && 2 * side < area.width())
            area.adjust(side, 0, -side, 0);
    }
    return area;
}

void VerdictLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = captionArea();
    QFont f = font();
    const qreal size = fittingPointSize(f, text(), area.width(), MinimumPointSize);
    f.setPointSizeF(size);
    painter.setFont(f);
    painter.setPen(palette().color(foregroundRole()));
    int flags = int(alignment());
    // A caption drawn smaller sits in the middle of the label rather than at its top.
    if (size < font().pointSizeF())
        flags = (flags & ~int(Qt::AlignVertical_Mask)) | Qt::AlignVCenter;
    if (QFontMetricsF(f).horizontalAdvance(text()) > area.width())
        flags |= Qt::TextWordWrap;
    painter.drawText(area, flags, text());
}

#include "ui/verdictsymbol.h"

#include <QPainter>

VerdictSymbol::VerdictSymbol(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void VerdictSymbol::showForKind(int kind)
{
    switch (kind) {
    case 1: m_shape = Artwork::VerdictShape::Tick; break;
    case 2: m_shape = Artwork::VerdictShape::Question; break;
    case 3: m_shape = Artwork::VerdictShape::Cross; break;
    default: hide(); return;
    }
    update();
    show();
}

void VerdictSymbol::paintEvent(QPaintEvent *)
{
    QPixmap &drawn = m_drawn[size_t(m_shape)];
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (drawn.size() != pixels || drawn.devicePixelRatio() != ratio) {
        drawn = QPixmap(pixels);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter shape(&drawn);
        Artwork::paintVerdictSymbol(shape, QRectF(QPointF(0, 0), QSizeF(size())), m_shape, Qt::white);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, drawn);
}

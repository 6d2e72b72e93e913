#include "ui/artwork.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <algorithm>

namespace Artwork {

QPixmap headerLeft()
{
    return QPixmap(QStringLiteral(":/artwork/header-left.png"));
}

QPixmap headerRight()
{
    return QPixmap(QStringLiteral(":/artwork/header-right.png"));
}

QIcon windowIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/artwork/window-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/artwork/window-32.png"), QSize(32, 32));
    return icon;
}

QList<QPixmap> toolbarPictures()
{
    return {
        QPixmap(QStringLiteral(":/artwork/toolbar-validar.png")), QPixmap(QStringLiteral(":/artwork/toolbar-vips.png")),
        QPixmap(QStringLiteral(":/artwork/toolbar-undo.png")), QPixmap(QStringLiteral(":/artwork/toolbar-list.png"))};
}

QPixmap vipListIcon()
{
    return QPixmap(QStringLiteral(":/artwork/list-vip.png"));
}

QPixmap sqlServerPicture()
{
    return QPixmap(QStringLiteral(":/artwork/sqlserver.png"));
}

QPixmap searchButtonPicture()
{
    return QPixmap(QStringLiteral(":/artwork/toolbar-search.png"));
}

namespace {

// The shape on a unit square, (0, 0) top left.
QPainterPath unitShape(VerdictShape shape)
{
    QPainterPath path;
    switch (shape) {
    case VerdictShape::Tick:
        path.moveTo(0.16, 0.54);
        path.lineTo(0.40, 0.78);
        path.lineTo(0.86, 0.24);
        break;
    case VerdictShape::Cross:
        path.moveTo(0.22, 0.22);
        path.lineTo(0.78, 0.78);
        path.moveTo(0.78, 0.22);
        path.lineTo(0.22, 0.78);
        break;
    case VerdictShape::Question: {
        const QRectF bow(0.30, 0.12, 0.40, 0.38);
        path.arcMoveTo(bow, 155);
        path.arcTo(bow, 155, -235);
        path.lineTo(0.50, 0.64);
        break;
    }
    }
    return path;
}

} // namespace

void paintVerdictSymbol(QPainter &painter, const QRectF &rect, VerdictShape shape, const QColor &colour)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side, side);
    const QPainterPath path = unitShape(shape);
    const qreal stroke = 0.12;
    const QColor edge(0, 0, 0, 70);
    for (const auto &[pen, width] : {std::pair<QColor, qreal>{edge, stroke + 0.04}, {colour, stroke}}) {
        painter.setPen(QPen(pen, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        if (shape == VerdictShape::Question) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(pen);
            painter.drawEllipse(QPointF(0.50, 0.84), width * 0.62, width * 0.62);
        }
    }
    painter.restore();
}

QIcon speakerIcon(bool muted)
{
    QIcon icon;
    for (const int size : {16, 24, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        const QColor white(Qt::white);
        QPainterPath body;
        body.moveTo(1.5, 5.5);
        body.lineTo(4.5, 5.5);
        body.lineTo(8.5, 2);
        body.lineTo(8.5, 14);
        body.lineTo(4.5, 10.5);
        body.lineTo(1.5, 10.5);
        body.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawPath(body);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(white, 1.4, Qt::SolidLine, Qt::RoundCap));
        if (muted) {
            p.drawLine(QPointF(10.5, 5.5), QPointF(14.5, 10.5));
            p.drawLine(QPointF(14.5, 5.5), QPointF(10.5, 10.5));
        } else {
            p.drawArc(QRectF(7, 5, 5, 6), -50 * 16, 100 * 16);
            p.drawArc(QRectF(6, 2.5, 9, 11), -55 * 16, 110 * 16);
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace Artwork

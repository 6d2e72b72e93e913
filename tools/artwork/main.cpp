// Draws the desk's artwork (header band, window and menu icon, toolbar and list pictures, the
// server dialog picture) into PNG files. Run once after a change and commit the PNGs:
//   build/quorvet-artwork resources/artwork
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <cstdio>

namespace {

const QColor kNavy(11, 37, 69);
const QColor kTeal(19, 112, 122);
const QColor kLight(120, 200, 205);

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// Left part of the header: navy to teal, with a thin light rule along the bottom.
QImage headerLeft()
{
    QImage image = blank(600, 70);
    QPainter p(&image);
    QLinearGradient g(0, 0, 600, 0);
    g.setColorAt(0, kNavy);
    g.setColorAt(1, kTeal);
    p.fillRect(image.rect(), g);
    QLinearGradient shade(0, 0, 0, 70);
    shade.setColorAt(0, QColor(255, 255, 255, 28));
    shade.setColorAt(0.5, QColor(255, 255, 255, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(image.rect(), shade);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 22), 10));
    for (int x = 380; x < 700; x += 34)
        p.drawLine(x, 80, x + 60, -10);
    p.fillRect(0, 67, 600, 3, kLight);
    return image;
}

// Right part of the header, stretched over the rest of the band: plain teal with the rule.
QImage headerRight()
{
    QImage image = blank(41, 70);
    QPainter p(&image);
    p.fillRect(image.rect(), kTeal);
    QLinearGradient shade(0, 0, 0, 70);
    shade.setColorAt(0, QColor(255, 255, 255, 28));
    shade.setColorAt(0.5, QColor(255, 255, 255, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(image.rect(), shade);
    p.fillRect(0, 67, 41, 3, kLight);
    return image;
}

// Window icon: a teal ticket with a white tick.
QImage windowIcon(int size)
{
    QImage image = blank(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawRoundedRect(QRectF(0.5 * s, 2.5 * s, 15 * s, 11 * s), 2 * s, 2 * s);
    p.setBrush(Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(0.5 * s, 8 * s), 1.8 * s, 1.8 * s);
    p.drawEllipse(QPointF(15.5 * s, 8 * s), 1.8 * s, 1.8 * s);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(Qt::white, 1.8 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(4.5 * s, 8 * s), QPointF(7 * s, 10.5 * s), QPointF(11.5 * s, 5.5 * s)}));
    return image;
}

QImage tick()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 140, 60), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
    return image;
}

QPolygonF starPolygon(QPointF c, double outer, double inner)
{
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = -M_PI / 2 + i * M_PI / 5;
        star << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    return star;
}

QImage star()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 100, 0), 1));
    p.setBrush(QColor(240, 185, 30));
    p.drawPolygon(starPolygon(QPointF(8, 8.5), 7, 3));
    return image;
}

QImage undoArrow()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(160, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath arc;
    arc.moveTo(4, 6);
    arc.cubicTo(10, 6, 14, 8, 12, 13);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 30, 30));
    p.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(6, 2), QPointF(6, 10)}));
    return image;
}

QImage listSheet()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setPen(QColor(70, 80, 90));
    p.setBrush(Qt::white);
    p.drawRect(2, 1, 11, 14);
    for (int y = 4; y <= 12; y += 3)
        p.fillRect(4, y, 7, 1, kTeal);
    return image;
}

// The guest search button: a magnifying glass over a list line.
QImage magnifier()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kNavy, 1.8));
    p.setBrush(QColor(225, 242, 244));
    p.drawEllipse(QPointF(6.5, 6.5), 4.6, 4.6);
    p.setPen(QPen(kTeal, 1.2));
    p.drawLine(QPointF(4.3, 6.5), QPointF(8.7, 6.5));
    p.setPen(QPen(kNavy, 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.2, 14.2));
    return image;
}

// The VIP list's row icon: a small gold star on a teal disc.
QImage vipBadge()
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setBrush(QColor(250, 200, 40));
    p.drawPolygon(starPolygon(QPointF(8, 8.4), 6, 2.6));
    return image;
}

// The SQL server dialog's picture: a database drum with a warning mark.
QImage serverPicture()
{
    QImage image = blank(51, 51);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(6, 0, 38, 0);
    body.setColorAt(0, kNavy);
    body.setColorAt(1, kTeal);
    p.setPen(QPen(kNavy, 1));
    p.setBrush(body);
    QPainterPath drum;
    drum.addRect(QRectF(6, 10, 32, 30));
    drum.addEllipse(QRectF(6, 34, 32, 10));
    p.drawPath(drum.simplified());
    p.setBrush(kLight);
    p.drawEllipse(QRectF(6, 5, 32, 10));
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 18, 32, 10), 180 * 16, 180 * 16);
    p.drawArc(QRectF(6, 26, 32, 10), 180 * 16, 180 * 16);
    p.setPen(QPen(QColor(120, 80, 0), 1));
    p.setBrush(QColor(245, 190, 30));
    p.drawPolygon(QPolygonF({QPointF(38, 27), QPointF(50, 49), QPointF(26, 49)}));
    p.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(38, 34), QPointF(38, 42));
    p.drawPoint(QPointF(38, 46));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvet-artwork OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    const struct
    {
        const char *file;
        QImage image;
    } pictures[] = {
        {"header-left.png", headerLeft()},
        {"header-right.png", headerRight()},
        {"window-16.png", windowIcon(16)},
        {"window-32.png", windowIcon(32)},
        // The menu icon in the remaining hicolor sizes (16 and 32 are the window's).
        {"window-48.png", windowIcon(48)},
        {"window-128.png", windowIcon(128)},
        {"window-256.png", windowIcon(256)},
        {"toolbar-validar.png", tick()},
        {"toolbar-vips.png", star()},
        {"toolbar-undo.png", undoArrow()},
        {"toolbar-list.png", listSheet()},
        {"list-vip.png", vipBadge()},
        {"sqlserver.png", serverPicture()},
        {"toolbar-search.png", magnifier()},
    };
    for (const auto &picture : pictures) {
        const QString path = out.filePath(QString::fromLatin1(picture.file));
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "quorvet-artwork: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}

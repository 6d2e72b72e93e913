#include "ui/twipsgeometry.h"

#include <QGuiApplication>
#include <QRectF>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace TwipsGeometry {
namespace {

const char *const kProperty = "TwipsRect";

double dpi(const QWidget *widget, bool horizontal)
{
    int value = 0;
    if (widget)
        value = horizontal ? widget->logicalDpiX() : widget->logicalDpiY();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        value = int(std::lround(horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()));
    return value > 0 ? value : 96;
}

int toPixels(double twips, double perPixel)
{
    return int(std::lround(twips / perPixel));
}

} // namespace

double twipsPerPixelX(const QWidget *widget)
{
    return 1440.0 / dpi(widget, true);
}

double twipsPerPixelY(const QWidget *widget)
{
    return 1440.0 / dpi(widget, false);
}

int twipsToPixelsX(double twips, const QWidget *widget)
{
    return toPixels(twips, twipsPerPixelX(widget));
}

int twipsToPixelsY(double twips, const QWidget *widget)
{
    return toPixels(twips, twipsPerPixelY(widget));
}

double pixelsToTwipsX(int pixels, const QWidget *widget)
{
    return pixels * twipsPerPixelX(widget);
}

double pixelsToTwipsY(int pixels, const QWidget *widget)
{
    return pixels * twipsPerPixelY(widget);
}

QRect toPixels(const TwipsRect &rect, const QWidget *widget)
{
    return QRect(twipsToPixelsX(rect.left, widget), twipsToPixelsY(rect.top, widget),
                 twipsToPixelsX(rect.width, widget), twipsToPixelsY(rect.height, widget));
}

void setTwipsRect(QWidget *widget, const TwipsRect &rect)
{
    widget->setProperty(kProperty, QRectF(rect.left, rect.top, rect.width, rect.height));
    widget->setGeometry(toPixels(rect, widget));
}

TwipsRect twipsRect(const QWidget *widget)
{
    const QVariant stored = widget->property(kProperty);
    if (stored.isValid()) {
        const QRectF r = stored.toRectF();
        return {float(r.x()), float(r.y()), float(r.width()), float(r.height())};
    }
    const QRect g = widget->geometry();
    return {float(pixelsToTwipsX(g.x(), widget)), float(pixelsToTwipsY(g.y(), widget)),
            float(pixelsToTwipsX(g.width(), widget)), float(pixelsToTwipsY(g.height(), widget))};
}

} // namespace TwipsGeometry

#pragma once

#include "ui/twipsrect.h"

#include <QRect>

class QWidget;

// Conversion between twips and pixels at the screen's logical dpi (1440 / dpi twips per
// pixel: 15 at 96 dpi), and the design geometry every control carries. A control's
// TwipsRect is kept on the widget itself (property "TwipsRect") and applied as its pixel
// geometry; pixels are rounded half away from zero everywhere.
namespace TwipsGeometry {

// Twips per pixel of the widget's screen (the primary screen for nullptr).
double twipsPerPixelX(const QWidget *widget = nullptr);
double twipsPerPixelY(const QWidget *widget = nullptr);

int twipsToPixelsX(double twips, const QWidget *widget = nullptr);
int twipsToPixelsY(double twips, const QWidget *widget = nullptr);
double pixelsToTwipsX(int pixels, const QWidget *widget = nullptr);
double pixelsToTwipsY(int pixels, const QWidget *widget = nullptr);

// The rectangle in pixels for a rectangle in twips.
QRect toPixels(const TwipsRect &rect, const QWidget *widget = nullptr);

// Stores the rectangle on the widget and applies it as its geometry.
void setTwipsRect(QWidget *widget, const TwipsRect &rect);
// The rectangle last stored; for a widget that has none, its pixel geometry in twips.
TwipsRect twipsRect(const QWidget *widget);

} // namespace TwipsGeometry

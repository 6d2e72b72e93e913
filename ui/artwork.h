#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

class QColor;
class QPainter;
class QRectF;

// The desk's pictures, compiled in as Qt resources under ":/artwork/" (drawn by
// tools/artwork). Each call returns a fresh implicitly shared copy; a missing resource
// gives a null pixmap, which the tests catch.
namespace Artwork {

QPixmap headerLeft();  // 600 x 70, left part of the header band
QPixmap headerRight(); // 41 x 70, stretched over the right part of the band
QIcon windowIcon();    // 16 x 16 and 32 x 32
// The four 16 x 16 toolbar pictures: validate, VIP list, undo, list.
QList<QPixmap> toolbarPictures();
QPixmap vipListIcon();         // 16 x 16, one row of the VIP list
QPixmap sqlServerPicture();    // 51 x 51, the SQL server dialog
QPixmap searchButtonPicture(); // 16 x 16, the "Procurar Convidado" toolbar button

// The symbol beside a verdict, for an operator who does not tell the colours apart: a tick
// (accepted), a question mark (not found), a cross (refused or failed). Drawn, not loaded,
// so it is sharp at any size: centred in the largest square of rect, its strokes a fixed
// share of that square, in colour over a faint dark edge that keeps it clear of any band.
enum class VerdictShape { Tick, Question, Cross };
void paintVerdictSymbol(QPainter &painter, const QRectF &rect, VerdictShape shape, const QColor &colour);
// The header's sound button: a speaker with two sound waves, or with a cross when muted.
QIcon speakerIcon(bool muted);

} // namespace Artwork

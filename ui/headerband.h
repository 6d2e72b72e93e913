#pragma once

#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QWidget;

// The header band the main window and the VIP list open with: a frame in the theme's
// text-area colour (Frame1) holding the right and left artwork (Image2, Image1) and three
// white labels: the title (Label1) and the two organisations' names (Label2 ZELMAR, Label3
// KORDA). Every widget is a child of the band, which is a child of the window; the caller
// gives each its rectangle. Nothing here fails.
struct HeaderBand
{
    QFrame *frame = nullptr;
    QLabel *image1 = nullptr;
    QLabel *image2 = nullptr;
    QLabel *label1 = nullptr;
    QLabel *label2 = nullptr;
    QLabel *label3 = nullptr;

    // Builds the band on window, from the bottom of the stacking order up (Image2, Image1,
    // Label3, Label2, Label1): the later sibling lies on top.
    static HeaderBand create(QWidget *window, const QString &title);
    // A transparent white label in the band, aligned left and top.
    static QLabel *label(QFrame *band, const char *name, const QString &text, const QFont &font);
};

// Arial at a point size, the desk's typeface.
QFont arialFont(double points, bool bold);

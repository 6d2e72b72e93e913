#include "ui/headerband.h"

#include "ui/artwork.h"
#include "ui/imagebox.h"
#include "ui/organisations.h"

#include <QFrame>
#include <QLabel>

namespace {

// The header pictures keep their look while the window is disabled (during each connection
// test), as picture controls do.
QLabel *picture(QFrame *band, const char *name, const QPixmap &pixmap, bool stretched)
{
    auto *image = new ImageBox(band);
    image->setObjectName(QLatin1String(name));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setPixmap(pixmap);
    image->setScaledContents(stretched);
    return image;
}

} // namespace

QFont arialFont(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

HeaderBand HeaderBand::create(QWidget *window, const QString &title)
{
    HeaderBand band;
    band.frame = new QFrame(window);
    band.frame->setObjectName(QStringLiteral("Frame1"));
    band.frame->setFrameShape(QFrame::NoFrame);
    // The window-background system colour is the theme's background of text areas.
    QPalette p = band.frame->palette();
    p.setColor(QPalette::Window, window->palette().color(QPalette::Base));
    band.frame->setPalette(p);
    band.frame->setAutoFillBackground(true);

    band.image2 = picture(band.frame, "Image2", Artwork::headerRight(), true);
    band.image1 = picture(band.frame, "Image1", Artwork::headerLeft(), false);
    band.label3 = label(band.frame, "Label3", Organisations::kordaFullName(), arialFont(9, false));
    band.label2 = label(band.frame, "Label2", Organisations::zelmarFullName(), arialFont(9, false));
    band.label1 = label(band.frame, "Label1", title, arialFont(9.75, true));
    return band;
}

QLabel *HeaderBand::label(QFrame *band, const char *name, const QString &text, const QFont &font)
{
    auto *label = new QLabel(text, band);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    return label;
}

#include "ui/imagebox.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QPixmap picture()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(20, 90, 200));
    QPainter painter(&image);
    painter.fillRect(0, 0, 20, 15, QColor(240, 200, 30));
    painter.end();
    return QPixmap::fromImage(image);
}

QImage shot(QLabel &label)
{
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A disabled picture looks exactly like the enabled one, at natural size and stretched,
// where a plain label greys it.
TEST(ImageBoxTest, ADisabledPictureKeepsItsLook)
{
    for (bool scaled : {false, true}) {
        SCOPED_TRACE(scaled ? "stretched" : "natural size");
        ImageBox box;
        box.setPixmap(picture());
        box.setScaledContents(scaled);
        box.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box.resize(scaled ? QSize(80, 45) : QSize(40, 30));
        const QImage enabled = shot(box);
        box.setEnabled(false);
        const QImage disabled = shot(box);
        EXPECT_EQ(disabled, enabled);
        EXPECT_EQ(disabled.pixelColor(5, 5), QColor(240, 200, 30));
    }

    QLabel plain;
    plain.setPixmap(picture());
    plain.resize(40, 30);
    const QImage enabled = shot(plain);
    plain.setEnabled(false);
    EXPECT_NE(shot(plain), enabled);
}

TEST(ImageBoxTest, TextIsDrawnAsByALabel)
{
    ImageBox box;
    QLabel label;
    for (QLabel *l : {static_cast<QLabel *>(&box), &label}) {
        l->setText(QStringLiteral("Convites"));
        l->resize(120, 30);
        l->setEnabled(false);
    }
    EXPECT_EQ(shot(box), shot(label));
}

} // namespace

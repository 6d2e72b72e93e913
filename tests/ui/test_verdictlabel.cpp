#include "ui/verdictlabel.h"

#include "ui/paintnow.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QFrame>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QFont verdictFont()
{
    QFont f(QStringLiteral("Calibri"));
    f.setPointSizeF(39.75);
    f.setBold(true);
    return f;
}

TEST(VerdictLabel, StandardCaptionsKeepTheDesignSizeAndLongTextsShrinkToFit)
{
    const QFont font = verdictFont();
    EXPECT_EQ(VerdictLabel::fittingPointSize(font, QStringLiteral("Convite OK!"), 766, 12), 39.75);

    const QString error = QStringLiteral(
        "Erro no procedimento: A operação não é permitida quando o objecto está fechado.");
    const qreal size = VerdictLabel::fittingPointSize(font, error, 766, 12);
    EXPECT_LT(size, 39.75);
    EXPECT_GE(size, 12.0);
    QFont fitted(font);
    fitted.setPointSizeF(size);
    EXPECT_LE(QFontMetricsF(fitted).horizontalAdvance(error), 766.0);

    // A text that cannot fit even at the smallest size stops there (and wraps when drawn).
    EXPECT_EQ(VerdictLabel::fittingPointSize(font, QString(2000, QLatin1Char('W')), 766, 12), 12.0);
}

TEST(VerdictLabel, ALongCaptionIsDrawnWithinTheLabel)
{
    VerdictLabel label(
        QStringLiteral("Erro no procedimento: A operação não é permitida quando o objecto está fechado."));
    label.setFont(verdictFont());
    label.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label.setAutoFillBackground(true);
    QPalette p = label.palette();
    p.setColor(QPalette::Window, QColor(128, 0, 0));
    p.setColor(QPalette::WindowText, Qt::white);
    label.setPalette(p);
    label.resize(766, 67);

    const QImage image = label.grab().toImage();
    // The first and last tenth of the label stay free of text when the caption is scaled
    // to fit and centred; a clipped caption would paint white up to both edges.
    auto whiteInColumns = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) > 200)
                    return true;
        return false;
    };
    EXPECT_TRUE(whiteInColumns(image.width() / 4, image.width() * 3 / 4));
    EXPECT_FALSE(whiteInColumns(0, 2));
    EXPECT_FALSE(whiteInColumns(image.width() - 2, image.width()));
}

// The verdict's symbol lies over the label's left part: a long caption (an offline refusal) is
// fitted between it and as much room on the right, never drawn under it; a hidden symbol frees it.
TEST(VerdictLabel, ACaptionKeepsClearOfTheSymbolBesideIt)
{
    QWidget band;
    band.resize(900, 100);
    VerdictLabel label(QStringLiteral("Convite expirado. Já entrou às 09:29 (sem ligação)"), &band);
    label.setGeometry(20, 10, 800, 67);
    QWidget symbol(&band);
    symbol.setGeometry(36, 10, 64, 64); // 16 px into the label, 80 px to its right edge
    label.keepClearOf(&symbol);
    band.show();
    EXPECT_EQ(label.captionArea(), QRect(96, 0, 800 - 2 * 96, 67)); // 80 px + a quarter of 64 each side
    symbol.hide();
    EXPECT_EQ(label.captionArea(), QRect(0, 0, 800, 67));
}

} // namespace

// A verdict hidden by the last key press and shown again with the same caption is on screen
// when the desk goes on, not when the event loop next runs.
TEST(VerdictLabel, ShownAgainItIsPaintedBeforeTheDeskGoesOn)
{
    struct PaintWatch : QObject
    {
        bool painted = false;
        bool eventFilter(QObject *, QEvent *e) override
        {
            painted = painted || e->type() == QEvent::Paint;
            return false;
        }
    };
    QWidget window;
    window.resize(400, 200);
    QFrame frame(&window);
    frame.setGeometry(0, 0, 400, 200);
    VerdictLabel label(QStringLiteral("Convite OK!"), &frame);
    label.setGeometry(10, 10, 300, 60);
    window.show();
    QCoreApplication::processEvents();
    label.hide();
    QCoreApplication::processEvents();

    PaintWatch watch;
    label.installEventFilter(&watch);
    label.show();
    PaintNow::pendingChanges(&label);
    EXPECT_TRUE(watch.painted);
}

#include "ui/controltag.h"
#include "ui/twipsgeometry.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

using namespace TwipsGeometry;

namespace {

TEST(TwipsGeometryTest, FifteenTwipsPerPixelOnTheTestScreen)
{
    QWidget w;
    EXPECT_DOUBLE_EQ(twipsPerPixelX(&w), 15.0);
    EXPECT_DOUBLE_EQ(twipsPerPixelY(nullptr), 15.0);
    EXPECT_EQ(twipsToPixelsX(12255, &w), 817);
    EXPECT_EQ(twipsToPixelsY(8355, &w), 557);
    // Halves go away from zero, on both sides.
    EXPECT_EQ(twipsToPixelsX(7.5, &w), 1);
    EXPECT_EQ(twipsToPixelsX(-7.5, &w), -1);
    EXPECT_EQ(twipsToPixelsX(-60, &w), -4);
    EXPECT_DOUBLE_EQ(pixelsToTwipsX(817, &w), 12255.0);
}

TEST(TwipsGeometryTest, RectIsKeptOnTheWidgetAndAppliedInPixels)
{
    QWidget parent;
    auto *label = new QLabel(&parent);
    const TwipsRect rect{7005, 518, 5160, 285};
    setTwipsRect(label, rect);
    EXPECT_EQ(label->geometry(), QRect(467, 35, 344, 19));
    EXPECT_EQ(twipsRect(label), rect);

    // A widget without a stored rect reports its pixel geometry in twips.
    auto *other = new QWidget(&parent);
    other->setGeometry(10, 20, 30, 40);
    EXPECT_EQ(twipsRect(other), (TwipsRect{150, 300, 450, 600}));
}

TEST(ControlTagTest, TagIsEmptyUntilSetAndKeepsItsText)
{
    QLabel label;
    EXPECT_EQ(Tag(&label), QString());
    setTag(&label, QStringLiteral("O convite não é válido!"));
    label.setText(QStringLiteral("outro texto"));
    EXPECT_EQ(Tag(&label), QStringLiteral("O convite não é válido!"));
}

} // namespace

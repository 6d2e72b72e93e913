#include "ui/artwork.h"

#include <gtest/gtest.h>

namespace {

TEST(ArtworkTest, EveryPictureLoadsFromTheResourcesAtItsSize)
{
    EXPECT_EQ(Artwork::headerLeft().size(), QSize(600, 70));
    EXPECT_EQ(Artwork::headerRight().size(), QSize(41, 70));
    EXPECT_EQ(Artwork::vipListIcon().size(), QSize(16, 16));
    EXPECT_EQ(Artwork::sqlServerPicture().size(), QSize(51, 51));
    EXPECT_EQ(Artwork::searchButtonPicture().size(), QSize(16, 16));
    const QList<QPixmap> toolbar = Artwork::toolbarPictures();
    ASSERT_EQ(toolbar.size(), 4);
    for (const QPixmap &p : toolbar)
        EXPECT_EQ(p.size(), QSize(16, 16));
    const QList<QSize> iconSizes = Artwork::windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
}

TEST(ArtworkTest, HeaderIsDarkEnoughForWhiteText)
{
    const QImage left = Artwork::headerLeft().toImage();
    const QImage right = Artwork::headerRight().toImage();
    for (const QPoint p : {QPoint(20, 20), QPoint(300, 35), QPoint(520, 50)})
        EXPECT_LT(qGray(left.pixel(p)), 110) << p.x() << "," << p.y();
    EXPECT_LT(qGray(right.pixel(20, 35)), 110);
}

} // namespace

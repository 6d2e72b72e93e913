#include "app/screenshot.h"
#include "app/startoptions.h"
#include "app/frmmain.h"
#include "tests/support/testsupport.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

TEST(StartOptionsTest, ScreenshotTakesAFileAndAnythingElseIsAnError)
{
    const QString program = QStringLiteral("quorvet");
    EXPECT_TRUE(StartOptions::parse({program}).screenshotPath.isEmpty());
    EXPECT_TRUE(StartOptions::parse({program}).error.isEmpty());

    const StartOptions shot = StartOptions::parse({program, QStringLiteral("--screenshot"), QStringLiteral("a.png")});
    EXPECT_EQ(shot.screenshotPath, QStringLiteral("a.png"));
    EXPECT_TRUE(shot.error.isEmpty());

    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--screenshot")}).error.isEmpty());
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--bogus")}).error.isEmpty());
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("extra")}).error.isEmpty());
}

TEST(StartOptionsTest, CheckinTakesANumberAndGoesWithAScreenshot)
{
    const QString program = QStringLiteral("quorvet");
    const StartOptions shot = StartOptions::parse({program, QStringLiteral("--checkin"), QStringLiteral("1001"),
                                                   QStringLiteral("--screenshot"), QStringLiteral("a.png")});
    EXPECT_TRUE(shot.error.isEmpty());
    EXPECT_EQ(shot.checkinNumber, QStringLiteral("1001"));
    EXPECT_EQ(shot.screenshotPath, QStringLiteral("a.png"));
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--checkin"), QStringLiteral("1001")}).error.isEmpty());
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--screenshot"), QStringLiteral("a.png"),
                                      QStringLiteral("--checkin"), QStringLiteral(" ")})
                     .error.isEmpty());
}

TEST(ScreenshotTest, RendersTheMaximizedWindowWithItsHeader)
{
    frmMain w;
    w.setProcessTerminator([](const QString &) { return false; });
    w.Form_Load();
    const QString path = TestSupport::processTempDir() + QStringLiteral("/shot.png");
    ASSERT_TRUE(saveWindowScreenshot(w, path));
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(1280, 800));
    // White header text over the dark band, and the white body below it.
    EXPECT_LT(qGray(image.pixel(5, 5)), 110);
    EXPECT_EQ(image.pixelColor(300, 300), QColor(Qt::white));

    EXPECT_FALSE(saveWindowScreenshot(w, TestSupport::processTempDir() + QStringLiteral("/missing/dir/shot.png")));
}

} // namespace

#include "app/frmmain.h"
#include "app/screenshot.h"
#include "app/startoptions.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>

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

#ifdef QUORVET_DESK_EXE
// The real program deletes the copy and its side files, and needs no display for it.
TEST(StartOptionsTest, ForgetCopyDeletesTheLocalCopy)
{
    const QString program = QStringLiteral("quorvet");
    EXPECT_TRUE(StartOptions::parse({program, QStringLiteral("--forget-copy")}).forgetCopy);
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--forget-copy"), QStringLiteral("--check-server")})
                     .error.isEmpty());

    const QString copy = TestSupport::processTempDir() + QStringLiteral("/forget/replica.db");
    ASSERT_TRUE(QDir().mkpath(TestSupport::processTempDir() + QStringLiteral("/forget")));
    for (const QString &file : {copy, copy + QStringLiteral("-wal")}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QProcess desk;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVET_REPLICA"), copy);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    desk.setProcessEnvironment(env);
    desk.start(QStringLiteral(QUORVET_DESK_EXE), {QStringLiteral("--forget-copy")});
    ASSERT_TRUE(desk.waitForFinished(20000));
    EXPECT_EQ(desk.exitCode(), 0) << desk.readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(QFile::exists(copy + QStringLiteral("-wal")));
}
#endif

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

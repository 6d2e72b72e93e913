// Test entry point: a QApplication on the offscreen platform with a fixed 1280 x 800 screen,
// and every file the code under test may write redirected into a temporary folder.
#include "tests/support/testsupport.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    const QString dir = TestSupport::processTempDir();
    qputenv("QUORVET_ERROR_LOG", (dir + QStringLiteral("/error-reports.log")).toUtf8());
    qputenv("QUORVET_COMMON_APPDATA", (dir + QStringLiteral("/common-appdata")).toUtf8());
    qputenv("QUORVET_REGISTRY_FILE", (dir + QStringLiteral("/registry.reg")).toUtf8());
    qputenv("XDG_STATE_HOME", (dir + QStringLiteral("/state")).toUtf8());
    // The user's settings (the sound's volume and muting) are the test's own.
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toUtf8());
    // The desk is silent unless a test starts its own audio server (tests/support/privatepulse.h);
    // none ever reaches the user's session server.
    qputenv("QUORVET_SOUND", "off");
    qputenv("PULSE_SERVER", ("unix:" + dir + QStringLiteral("/no-audio-server")).toUtf8());
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + TestSupport::writeScreenConfig(dir).toUtf8());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

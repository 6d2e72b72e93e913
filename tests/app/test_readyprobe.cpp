#include "app/frmmain.h"
#include "app/readyprobe.h"
#include "app/startoptions.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

TEST(ReadyProbeTest, FiresOnceFromTheEventLoopWhenThePaintedWindowGivesTheEntryBoxTheFocus)
{
    frmMain w;
    w.setProcessTerminator([](const QString &) { return false; });
    int calls = 0;
    auto *probe = new ReadyProbe(&w, w.ui().FXNo_TAP, [&] { ++calls; });
    w.Form_Load();
    EXPECT_EQ(calls, 0); // never from inside the show itself
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 5000));
    EXPECT_TRUE(probe->fired());
    EXPECT_TRUE(w.ui().FXNo_TAP->hasFocus());

    // Focus going away and coming back does not fire again.
    w.ui().FXNo_TAP->clearFocus();
    w.ui().FXNo_TAP->setFocus();
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_EQ(calls, 1);
}

TEST(ReadyProbeTest, StaysSilentWhileAnotherControlHoldsTheFocus)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *button = new QPushButton(QStringLiteral("first"), &window);
    auto *entry = new QLineEdit(&window);
    layout->addWidget(button);
    layout->addWidget(entry);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFocus();
    int calls = 0;
    new ReadyProbe(&window, entry, [&] { ++calls; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);

    entry->setFocus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 5000));
}

TEST(ReadyProbeTest, ExitWhenReadyIsAnOptionOfItsOwn)
{
    const QString program = QStringLiteral("quorvet");
    EXPECT_FALSE(StartOptions::parse({program}).exitWhenReady);
    const StartOptions ready = StartOptions::parse({program, QStringLiteral("--exit-when-ready")});
    EXPECT_TRUE(ready.exitWhenReady);
    EXPECT_TRUE(ready.error.isEmpty());
    EXPECT_FALSE(StartOptions::parse({program, QStringLiteral("--exit-when-ready=1")}).error.isEmpty());
}

#ifdef QUORVET_DESK_EXE
// The real program started with --exit-when-ready prints its ready line and ends by itself.
TEST(ReadyProbeTest, TheDeskReportsItsStartUpAndExits)
{
    const QString dir = TestSupport::processTempDir();
    QProcess desk;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=") + TestSupport::writeScreenConfig(dir));
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir + QStringLiteral("/desk-state"));
    env.insert(QStringLiteral("QUORVET_COMMON_APPDATA"), dir + QStringLiteral("/desk-appdata"));
    desk.setProcessEnvironment(env);
    desk.start(QStringLiteral(QUORVET_DESK_EXE), {QStringLiteral("--exit-when-ready")});
    ASSERT_TRUE(desk.waitForStarted(10000));
    const bool finished = desk.waitForFinished(30000);
    if (!finished) {
        desk.kill();
        desk.waitForFinished();
    }
    ASSERT_TRUE(finished);
    EXPECT_EQ(desk.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desk.exitCode(), 0);
    const QList<QByteArray> words = desk.readAllStandardOutput().trimmed().split(' ');
    ASSERT_EQ(words.size(), 4);
    EXPECT_EQ(words.at(0), QByteArray("ready"));
    bool ok = false;
    EXPECT_GT(words.at(1).toDouble(&ok), 0.0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(words.at(2), QByteArray("ms"));
    EXPECT_GT(words.at(3).toLongLong(&ok), 0);
    EXPECT_TRUE(ok);
}

// A "Registry=" override without an entry is refused once, before the window opens.
TEST(ReadyProbeTest, TheDeskRefusesARegistryOverrideWithoutAnEntry)
{
    const QString dir = TestSupport::processTempDir();
    QProcess desk;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir + QStringLiteral("/desk-state"));
    env.insert(QStringLiteral("QUORVET_CONNECTION_KORDA"), QStringLiteral(" Registry= "));
    desk.setProcessEnvironment(env);
    const QString shot = dir + QStringLiteral("/refused.png");
    // Without an operator to answer it (--screenshot), the box is written to standard error.
    desk.start(QStringLiteral(QUORVET_DESK_EXE), {QStringLiteral("--screenshot"), shot});
    ASSERT_TRUE(desk.waitForStarted(10000));
    ASSERT_TRUE(desk.waitForFinished(30000));
    EXPECT_EQ(desk.exitCode(), 2);
    const QString said = QString::fromUtf8(desk.readAllStandardError());
    EXPECT_EQ(said.count(QLatin1String("QUORVET_CONNECTION_KORDA=Registry=")), 1) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(shot));
}
#endif

} // namespace

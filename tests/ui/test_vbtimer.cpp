#include "platform/runtimeerror.h"
#include "ui/vbtimer.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(VbTimerTest, EnabledWithIntervalZeroIsArmedButNeverFires)
{
    VbTimer timer;
    QSignalSpy ticks(&timer, &VbTimer::Timer);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 0);
    QTest::qWait(300);
    EXPECT_EQ(ticks.count(), 0);
    EXPECT_FALSE(timer.isRunning());
}

TEST(VbTimerTest, FiresRepeatedlyWhileEnabledWithAnInterval)
{
    VbTimer timer;
    // A coarse timer may end the two-second pause 100 ms early or late (bench_pause measures it).
    EXPECT_EQ(timer.timerType(), Qt::PreciseTimer);
    QSignalSpy ticks(&timer, &VbTimer::Timer);
    timer.setInterval(20);
    EXPECT_TRUE(ticks.wait(5000));
    EXPECT_TRUE(ticks.wait(5000));
    EXPECT_GE(ticks.count(), 2);
}

TEST(VbTimerTest, DisablingStopsAndEnablingAgainRestarts)
{
    VbTimer timer;
    QSignalSpy ticks(&timer, &VbTimer::Timer);
    timer.setInterval(30);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isRunning());
    QTest::qWait(300);
    EXPECT_EQ(ticks.count(), 0);
    EXPECT_EQ(timer.Interval(), 30);

    timer.setEnabled(true);
    EXPECT_TRUE(ticks.wait(5000));

    timer.setInterval(0);
    ticks.clear();
    QTest::qWait(300);
    EXPECT_EQ(ticks.count(), 0);
}

TEST(VbTimerTest, NewIntervalRestartsTheCount)
{
    VbTimer timer;
    QSignalSpy ticks(&timer, &VbTimer::Timer);
    timer.setInterval(60000);
    timer.setInterval(20);
    EXPECT_TRUE(ticks.wait(5000));
}

TEST(VbTimerTest, IntervalOutsideTheRangeIsRefused)
{
    VbTimer timer;
    timer.setInterval(500);
    try {
        timer.setInterval(-1);
        FAIL() << "a negative interval was accepted";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), ErrorNumber::InvalidPropertyValue);
    }
    EXPECT_THROW(timer.setInterval(65536), RuntimeError);
    EXPECT_EQ(timer.Interval(), 500);
}

} // namespace

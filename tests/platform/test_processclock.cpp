#include "platform/processclock.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// The process started before this test did, so the time since its start is at least the
// time this test has waited; the monotonic clock never goes back.
TEST(ProcessClockTest, TimeSinceStartCoversWhatThisProcessHasLivedThrough)
{
    QElapsedTimer lived;
    lived.start();
    const int64_t before = ProcessClock::monotonicNanoseconds();
    QThread::msleep(30);
    const double sinceStart = ProcessClock::millisecondsSinceStart();
    EXPECT_GE(sinceStart, double(lived.elapsed()));
    EXPECT_GE(ProcessClock::monotonicNanoseconds() - before, int64_t(30) * 1000000);
    EXPECT_GE(ProcessClock::millisecondsSinceStart(), sinceStart);
}

} // namespace

#include "platform/modprocessos.h"
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using modProcessos::ProcessEntry;
using modProcessos::walkAndTerminate;

namespace {

TEST(ProcessNameTest, FileNameDropsTheFolderAndLowersTheCase)
{
    EXPECT_EQ(modProcessos::processFileName(QStringLiteral("/opt/Desk/QUORVET.EXE")), QStringLiteral("quorvet.exe"));
    EXPECT_EQ(modProcessos::processFileName(QStringLiteral("C:\\Apps\\Quorvet.exe")), QStringLiteral("quorvet.exe"));
    EXPECT_EQ(modProcessos::processFileName(QStringLiteral("quorvet")), QStringLiteral("quorvet"));
}

TEST(ProcessNameTest, MatchesTheEndOfTheNameLetterCaseAside)
{
    EXPECT_TRUE(modProcessos::processNameMatches(QStringLiteral("QUORVET.EXE"), QStringLiteral("Quorvet.exe")));
    EXPECT_TRUE(modProcessos::processNameMatches(QStringLiteral("oldquorvet.exe"), QStringLiteral("Quorvet.exe")));
    EXPECT_FALSE(modProcessos::processNameMatches(QStringLiteral("quorvet.exe.bak"), QStringLiteral("Quorvet.exe")));
    EXPECT_FALSE(modProcessos::processNameMatches(QStringLiteral("vet.exe"), QStringLiteral("Quorvet.exe")));
    // An empty name would match every process on the machine.
    EXPECT_FALSE(modProcessos::processNameMatches(QStringLiteral("quorvet.exe"), QString()));
}

// A snapshot of our own, with a terminator that answers per pid and records the calls.
class WalkTest : public ::testing::Test
{
protected:
    static constexpr int64_t Us = 1000;
    // 25 and 35 are other operators' desks on the same machine, 45 a process of unknown owner.
    QList<ProcessEntry> snapshot{
        {10, QStringLiteral("/usr/bin/bash"), Us},           {20, QStringLiteral("/opt/desk/QUORVET.EXE"), Us},
        {25, QStringLiteral("/opt/desk/quorvet.exe"), 0},    {30, QStringLiteral("/opt/desk/OldQuorvet.exe"), Us},
        {35, QStringLiteral("/opt/desk/quorvet.exe"), 1001}, {40, QStringLiteral("/opt/desk/quorvet.exe"), Us},
        {45, QStringLiteral("/opt/desk/quorvet.exe"), -1},   {50, QStringLiteral("/opt/desk/quorvet.exe"), Us}};
    QList<int64_t> refusing;
    std::function<bool(int64_t)> terminate = [this](int64_t pid) { return !refusing.contains(pid); };
};

TEST_F(WalkTest, EndsEveryMatchAndKeepsTheLastResult)
{
    auto walk = walkAndTerminate(snapshot, QStringLiteral("Quorvet.exe"), 999, Us, terminate);
    EXPECT_EQ(walk.attempted, (QList<int64_t>{20, 30, 40, 50}));
    EXPECT_TRUE(walk.lastSucceeded);
    EXPECT_FALSE(walk.ownProcessMatched);

    refusing = {50};
    walk = walkAndTerminate(snapshot, QStringLiteral("Quorvet.exe"), 999, Us, terminate);
    EXPECT_FALSE(walk.lastSucceeded);

    refusing = {20};
    walk = walkAndTerminate(snapshot, QStringLiteral("Quorvet.exe"), 999, Us, terminate);
    EXPECT_TRUE(walk.lastSucceeded);
}

TEST_F(WalkTest, NoMatchEndsNothingAndGivesFalse)
{
    const auto walk = walkAndTerminate(snapshot, QStringLiteral("nothing.exe"), 999, Us, terminate);
    EXPECT_TRUE(walk.attempted.isEmpty());
    EXPECT_FALSE(walk.lastSucceeded);
}

TEST_F(WalkTest, OwnProcessStopsTheWalkSoLaterInstancesSurvive)
{
    const auto walk = walkAndTerminate(snapshot, QStringLiteral("quorvet.exe"), 40, Us, terminate);
    EXPECT_EQ(walk.attempted, (QList<int64_t>{20, 30}));
    EXPECT_TRUE(walk.ownProcessMatched);
}

TEST(RunningProcessesTest, ListsOurOwnProcessInAscendingOrder)
{
    const QList<ProcessEntry> list = modProcessos::runningProcesses();
    ASSERT_FALSE(list.isEmpty());
    for (int i = 1; i < list.size(); ++i)
        EXPECT_LT(list[i - 1].pid, list[i].pid);
    const QString own = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
    bool found = false;
    for (const ProcessEntry &e : list) {
        if (e.pid == ::getpid()) {
            found = true;
            EXPECT_EQ(modProcessos::processFileName(e.exePath), own);
            EXPECT_EQ(e.owner, int64_t(::getuid()));
        }
    }
    EXPECT_TRUE(found);
}

// Starts a copy of sleep under a name no other process carries, and ends it by that name.
TEST(TerminarProcessoTest, EndsAChildStartedUnderAUniqueName)
{
    const QString name = QStringLiteral("qv-test-sleeper-%1").arg(QRandomGenerator::global()->generate64(), 0, 16);
    const QString path = TestSupport::processTempDir() + QLatin1Char('/') + name;
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), path));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    QProcess child;
    child.start(path, {QStringLiteral("60")});
    ASSERT_TRUE(child.waitForStarted(10000));

    // The upper-case suffix of the name still matches.
    EXPECT_TRUE(modProcessos::TerminarProcesso(name.right(12).toUpper()));
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    EXPECT_FALSE(modProcessos::TerminarProcesso(name));
}

// Another user's process of the same name survives; only root can start one to try it.
TEST(TerminarProcessoTest, LeavesAnotherUsersProcessOfTheSameNameRunning)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = QStringLiteral("qv-test-other-%1").arg(QRandomGenerator::global()->generate64(), 0, 16);
    const QString path = dir.filePath(name);
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), path));
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                          | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), everyone | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(path, everyone));

    QProcess other;
    other.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    other.start(path, {QStringLiteral("60")});
    ASSERT_TRUE(other.waitForStarted(10000));
    EXPECT_FALSE(modProcessos::TerminarProcesso(name));
    EXPECT_FALSE(other.waitForFinished(500)) << "another user's process was ended";
    other.kill();
    other.waitForFinished(10000);
}

} // namespace

// Delivery of the entries a desk decided without the server, on both providers: once each,
// a conflict with another desk's earlier entry, a write whose reply or journal row was lost,
// and pending entries read back from the journal by a desk restarted.
#include "data/checkinqueries.h"
#include "data/offlinedelivery.h"
#include "data/scanjournal.h"
#include "tests/data/databasefixture.h"

#include <QCoreApplication>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <thread>

#include <signal.h>

namespace {

class OfflineDeliveryTest : public DeskDatabaseFixture
{
protected:
    QString journalPath() const { return path(QStringLiteral("state/journal.db")); }

    // An entry of invitation 5 ("4711", unused) or 9 ("4715", unused) decided offline a minute ago.
    static OfflineEntry offlineEntry(int32_t conviteId, const char *typed)
    {
        OfflineEntry e;
        e.conviteId = conviteId;
        e.typed = QString::fromLatin1(typed);
        e.deskTime = OfflineEntry::deskNow().addSecs(-60);
        e.serverTime = QDateTime(QDate(2026, 12, 9), QTime(10, 15, 30, 123), Qt::UTC);
        return e;
    }

    Value held(int32_t conviteId) const
    {
        Recordset rs;
        rs.Open(CheckinQueries::entryTime(conviteId), open(Role::CheckIn));
        return rs.Fields(0).Value();
    }

    // The journal's rows of a verdict, as entry times.
    QStringList journalled(const QString &verdict) const
    {
        QStringList times;
        const auto rows = DeskJournal::read(journalPath(), QString(), nullptr);
        for (const JournalEntry &e : rows.value_or(std::vector<JournalEntry>()))
            if (e.verdict == verdict)
                times << e.entryTime;
        return times;
    }
};

TEST_P(OfflineDeliveryTest, APendingEntryLeftByADeskRestartedIsDeliveredOnce)
{
    {
        ScanJournal before(journalPath());
        ASSERT_TRUE(before.recordOffline(offlineEntry(5, "4711")));
    }
    ScanJournal restarted(journalPath());
    const std::vector<OfflineEntry> pending = restarted.pendingOffline();
    ASSERT_EQ(pending.size(), size_t(1));
    EXPECT_EQ(pending[0].serverTime, offlineEntry(5, "4711").serverTime);
    EXPECT_EQ(pending[0].typed, QStringLiteral("4711"));

    const auto settled = OfflineDelivery::deliverPending(open(Role::CheckIn), restarted);
    ASSERT_EQ(settled.size(), size_t(1));
    EXPECT_EQ(settled[0].outcome, OfflineDelivery::Outcome::Delivered);
    const QDateTime written = serverInstant(held(5));
    EXPECT_LE(std::abs(written.msecsTo(pending[0].serverTime)), 3) << qPrintable(written.toString(Qt::ISODateWithMs));
    EXPECT_TRUE(restarted.pendingOffline().empty());
    EXPECT_TRUE(OfflineDelivery::deliverPending(open(Role::CheckIn), restarted).empty());
    EXPECT_EQ(journalled(QStringLiteral("delivered")).size(), 1);
}

TEST_P(OfflineDeliveryTest, AnotherDesksEarlierEntryIsAConflictWithBothTimesAndStays)
{
    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = CONVERT(DATETIME,'2026-12-09 10:14:00',102) "
                        "WHERE convite_id = 9"});
    ScanJournal journal(journalPath());
    ASSERT_TRUE(journal.recordOffline(offlineEntry(9, "4715")));
    const auto settled = OfflineDelivery::deliverPending(open(Role::CheckIn), journal);
    ASSERT_EQ(settled.size(), size_t(1));
    EXPECT_EQ(settled[0].outcome, OfflineDelivery::Outcome::Conflict);
    EXPECT_EQ(serverInstant(held(9)), QDateTime(QDate(2026, 12, 9), QTime(10, 14), Qt::UTC));
    EXPECT_EQ(journalled(QStringLiteral("conflict")),
              QStringList{QStringLiteral("2026-12-09T10:15:30.123/2026-12-09T10:14:00.000")});
    EXPECT_TRUE(journal.pendingOffline().empty());
}

// The update reached the server but its reply (or the desk, killed before its journal row) did
// not come back: the next attempt finds this desk's own time and writes nothing again.
TEST_P(OfflineDeliveryTest, AWriteWhoseReplyWasLostIsDeliveredWithoutASecondWrite)
{
    ScanJournal journal(journalPath());
    const OfflineEntry entry = offlineEntry(5, "4711");
    ASSERT_TRUE(journal.recordOffline(entry));
    int64_t changed = -1;
    open(Role::CheckIn)->Execute(CheckinQueries::deliverEntry(5, entry.serverTime), &changed);
    ASSERT_EQ(changed, 1);

    const auto settled = OfflineDelivery::deliverPending(open(Role::CheckIn), journal);
    ASSERT_EQ(settled.size(), size_t(1));
    EXPECT_EQ(settled[0].outcome, OfflineDelivery::Outcome::Delivered);
    EXPECT_TRUE(journal.pendingOffline().empty());

    // An entry undone before its delivery is never sent.
    const OfflineEntry undone = offlineEntry(9, "4715");
    ASSERT_TRUE(journal.recordOffline(undone));
    ASSERT_TRUE(journal.recordOfflineUndo(undone));
    EXPECT_TRUE(OfflineDelivery::deliverPending(open(Role::CheckIn), journal).empty());
    EXPECT_TRUE(held(9).isNull());
}

TEST_P(OfflineDeliveryTest, ALinkThatFailsLeavesTheEntryPending)
{
    ScanJournal journal(journalPath());
    ASSERT_TRUE(journal.recordOffline(offlineEntry(5, "4711")));
    ConnectionRef closed = open(Role::CheckIn);
    closed->Close();
    EXPECT_THROW(OfflineDelivery::deliverPending(closed, journal), RuntimeError);
    EXPECT_EQ(journal.pendingOffline().size(), size_t(1));
    EXPECT_TRUE(held(5).isNull());
}

// The child half of the next test: a desk process delivering its journal's pending entries,
// saying so after each, slowly, until it is killed.
TEST(OfflineDeliveryChild, DeliversUntilKilled)
{
    if (qEnvironmentVariableIsEmpty("QUORVET_TEST_CHILD_CHECKIN"))
        GTEST_SKIP() << "run by KilledDuringDeliveryAndRestartedEachEntryIsDeliveredOnce";
    auto checkIn = std::make_shared<Connection>();
    checkIn->setConnectionString(qEnvironmentVariable("QUORVET_TEST_CHILD_CHECKIN"));
    checkIn->Open();
    ScanJournal journal(qEnvironmentVariable("QUORVET_TEST_CHILD_JOURNAL"));
    OfflineDelivery::deliverPending(checkIn, journal, [](const OfflineDelivery::Settled &) {
        std::printf("settled\n");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST_P(OfflineDeliveryTest, KilledDuringDeliveryAndRestartedEachEntryIsDeliveredOnce)
{
    constexpr int Entries = 200;
    {
        ConnectionRef c = open(Role::CheckIn);
        for (int id = 100; id < 100 + Entries; ++id)
            c->Execute(
                QStringLiteral("INSERT INTO tbConvites VALUES (%1, '%1', NULL, NULL, 'Convidado', NULL, 1, NULL)")
                    .arg(id));
    }
    {
        ScanJournal journal(journalPath());
        for (int id = 100; id < 100 + Entries; ++id) {
            OfflineEntry e = offlineEntry(id, "");
            e.typed = QString::number(id);
            e.serverTime = e.serverTime.addMSecs(id * 10);
            ASSERT_TRUE(journal.recordOffline(e));
        }
    }

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVET_TEST_CHILD_CHECKIN"), connectionString(Role::CheckIn));
    env.insert(QStringLiteral("QUORVET_TEST_CHILD_JOURNAL"), journalPath());
    env.insert(QStringLiteral("TMPDIR"), path(QString()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=OfflineDeliveryChild.DeliversUntilKilled")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    while (out.count("settled\n") < Entries / 4 && child.waitForReadyRead(30000))
        out += child.readAllStandardOutput();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_GE(out.count("settled\n"), Entries / 4) << out.constData();
    ScanJournal restarted(journalPath());
    ASSERT_FALSE(restarted.pendingOffline().empty()) << "the child was not killed mid-delivery";

    for (const auto &s : OfflineDelivery::deliverPending(open(Role::CheckIn), restarted))
        EXPECT_EQ(s.outcome, OfflineDelivery::Outcome::Delivered) << s.entry.typed.toStdString();
    EXPECT_TRUE(restarted.pendingOffline().empty());
    EXPECT_EQ(journalled(QStringLiteral("delivered")).size(), Entries);
    EXPECT_TRUE(journalled(QStringLiteral("conflict")).isEmpty());
    for (int id = 100; id < 100 + Entries; id += 37)
        EXPECT_LE(std::abs(serverInstant(held(id)).msecsTo(offlineEntry(id, "").serverTime.addMSecs(id * 10))), 3)
            << id;
}

INSTANTIATE_TEST_SUITE_P(Databases, OfflineDeliveryTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

} // namespace

// The arrival statistics read from a table of known entries on every database the data layer
// speaks to, against figures worked out by hand; and the filling of the buckets around a
// fixed now.
#include "tests/data/databasefixture.h"

#include "data/arrivalstatistics.h"

namespace {

using Role = DatabaseFixture::Role;
using namespace ArrivalStatistics;

class ArrivalStatisticsTest : public DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        run(Role::CheckIn,
            {"CREATE TABLE tbConvites (convite_id INT PRIMARY KEY, convite_no VARCHAR(20), socio_id INT NULL, "
             "no_tap VARCHAR(20) NULL, nome NVARCHAR(100) NULL, call_in VARCHAR(20) NULL, base_dados INT NULL, "
             "checked_in DATETIME NULL)"});
        run(Role::Members, {"CREATE TABLE tbConvites_VIPs (no_empresa VARCHAR(20))"});
    }

    // The server's clock.
    QDateTime serverNow() const { return read(open(Role::Korda), 15).figures.now; }

    static QString at(const QDateTime &t)
    {
        return QStringLiteral("CONVERT(DATETIME,'%1',102)").arg(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
};

TEST_P(ArrivalStatisticsTest, NoInvitationsGiveZeroesAndNoBuckets)
{
    const Picture p = read(open(Role::Korda), 15);
    EXPECT_EQ(p.figures.invited, 0);
    EXPECT_EQ(p.figures.entered, 0);
    EXPECT_EQ(p.figures.vip, 0);
    EXPECT_TRUE(p.figures.now.isValid());
    EXPECT_TRUE(p.buckets.empty());
    EXPECT_EQ(csv(p), QStringLiteral("start,end,entries,running_total,future\r\n"));
}

TEST_P(ArrivalStatisticsTest, FiguresAndBucketsOfKnownEntries)
{
    const QDateTime now = serverNow();
    // Midnight entries would also be of the last 15 minutes, yesterday's of today.
    if (now.time() < QTime(0, 30))
        GTEST_SKIP() << "the first half hour of the day";
    const QDateTime midnight(now.date(), QTime(0, 0), Qt::UTC);
    const struct
    {
        int id;
        const char *socio;
        const char *noTap;
        const char *base;
        QString checkedIn;
    } rows[] = {
        {1, "11", "V1", "1", at(midnight)},                                    // ZELMAR, VIP, at midnight
        {2, "12", "Z2", "1", at(midnight.addSecs(14 * 60 + 59))},              // ZELMAR, a second before the edge
        {3, "13", "V3", "2", at(midnight.addSecs(15 * 60))},                   // KORDA, VIP, on the edge
        {4, "14", "K4", "2", at(midnight.addSecs(15 * 60 + 1))},               // KORDA, a second after it
        {5, "NULL", "N5", "2", at(midnight.addSecs(-1))},                      // no record, yesterday
        {6, "0", "N6", "1", QStringLiteral("DATEADD(MINUTE, -5, GETDATE())")}, // no record, just now
        {7, "15", "K7", "2", QStringLiteral("NULL")},                          // KORDA, to come
        {8, "16", "V8", "1", QStringLiteral("NULL")},                          // ZELMAR, VIP to come
        {9, "NULL", "N9", "NULL", at(midnight.addDays(1).addSecs(10 * 3600))}, // tomorrow: a wrong clock
        {10, "17", "X10", "3", QStringLiteral("NULL")},                        // neither organisation
    };
    ConnectionRef c = open(Role::CheckIn);
    for (const auto &r : rows)
        c->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (%1, '%1', %2, '%3', 'Nome', '', %4, %5)")
                       .arg(r.id)
                       .arg(QLatin1String(r.socio), QLatin1String(r.noTap), QLatin1String(r.base), r.checkedIn));
    run(Role::Members, {"INSERT INTO tbConvites_VIPs VALUES ('V1')", "INSERT INTO tbConvites_VIPs VALUES ('V3')",
                        "INSERT INTO tbConvites_VIPs VALUES ('V8')", "INSERT INTO tbConvites_VIPs VALUES ('V8')"});

    const Picture p = read(open(Role::Korda), 15);
    const Figures &f = p.figures;
    EXPECT_EQ(f.invited, 10);
    EXPECT_EQ(f.entered, 7);
    EXPECT_EQ(f.toCome(), 3);
    EXPECT_EQ(f.lastQuarter, 1);
    EXPECT_EQ(f.future, 1);
    EXPECT_EQ(f.zelmar, (Share{2, 3}));
    EXPECT_EQ(f.korda, (Share{2, 3}));
    EXPECT_EQ(f.noMember, (Share{3, 3}));
    EXPECT_EQ(f.vip, 2);
    EXPECT_LE(qAbs(f.now.secsTo(now)), 60);
    EXPECT_EQ(p.beyondDay, 1);

    // Per bucket size: the first buckets' entries and running totals (yesterday's entry
    // counted before them), then up to now's bucket, the entry of five minutes ago in it or just before.
    const struct
    {
        int minutes;
        std::vector<std::pair<int64_t, int64_t>> first;
    } sizes[] = {
        {5, {{1, 2}, {0, 2}, {1, 3}, {2, 5}}},
        {15, {{2, 3}, {2, 5}}},
        {60, {{4, 5}}},
    };
    for (const auto &s : sizes) {
        SCOPED_TRACE(s.minutes);
        const Picture b = read(open(Role::Korda), s.minutes);
        ASSERT_GE(b.buckets.size(), s.first.size());
        for (size_t i = 0; i < s.first.size(); ++i) {
            EXPECT_EQ(b.buckets[i].start, midnight.addSecs(qint64(i) * s.minutes * 60));
            EXPECT_EQ(b.buckets[i].entries, s.first[i].first) << i;
            EXPECT_EQ(b.buckets[i].runningTotal, s.first[i].second) << i;
        }
        const Bucket &last = b.buckets.back();
        EXPECT_EQ(last.start, midnight.addSecs(midnight.secsTo(b.figures.now) / (s.minutes * 60) * s.minutes * 60));
        EXPECT_EQ(last.runningTotal, 6);
        EXPECT_FALSE(last.future);
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, ArrivalStatisticsTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

TEST(ArrivalPicture, BucketsRunFromTheFirstEntryToNowOrALaterEntry)
{
    Figures f;
    f.entered = 9;
    f.now = QDateTime(QDate(2026, 12, 9), QTime(20, 40, 5), Qt::UTC);
    // 19:00 (bucket 76), 20:15 (81), 21:30 in the future (86), and one tomorrow.
    const Picture p = picture(f, 15, {{76, 3}, {81, 1}, {86, 2}, {96 + 40, 1}});
    ASSERT_EQ(p.buckets.size(), 11u);
    EXPECT_EQ(p.beyondDay, 1);
    EXPECT_EQ(p.buckets.front().start, QDateTime(QDate(2026, 12, 9), QTime(19, 0), Qt::UTC));
    EXPECT_EQ(p.buckets.front().runningTotal, 2 + 3);
    EXPECT_EQ(p.buckets[6].runningTotal, 6);
    EXPECT_FALSE(p.buckets[6].future); // 20:30, now's
    EXPECT_TRUE(p.buckets[7].future);
    EXPECT_EQ(p.buckets.back().entries, 2);
    EXPECT_EQ(p.buckets.back().runningTotal, 8);
    EXPECT_TRUE(p.buckets.back().future);
    const QStringList lines = csv(p).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.at(1), QStringLiteral("2026-12-09 19:00,2026-12-09 19:15,3,5,0"));
    EXPECT_EQ(lines.at(11), QStringLiteral("2026-12-09 21:30,2026-12-09 21:45,2,8,1"));
}

} // namespace

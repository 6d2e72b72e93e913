// The guest search and the live entry count, read the way the desk reads them: on a
// connection of their own, on every database the data layer speaks to.
#include "tests/data/databasefixture.h"

#include "data/dataenvironment.h"
#include "data/entrycounter.h"
#include "data/guestsearch.h"

#include <QSignalSpy>
#include <QTest>

namespace {

using Role = DatabaseFixture::Role;

class GuestSearchTest : public DeskDatabaseFixture
{
protected:
    QStringList numbersFound(const QString &typed) const
    {
        QStringList numbers;
        for (const GuestSearch::Row &row : GuestSearch::read(open(Role::CheckIn), GuestSearch::query(typed)).rows)
            numbers << row.conviteNo;
        return numbers;
    }

    // Waits for the counter to show text; false when it never does.
    static bool shows(EntryCounter &counter, const QString &text)
    {
        return QTest::qWaitFor([&] { return counter.currentText() == text; }, 10000);
    }
};

TEST_P(GuestSearchTest, NameOrCompanyNumberMatchesWithBlanksAsAnythingBetweenOrderedByName)
{
    const struct
    {
        const char *typed;
        QStringList numbers;
    } cases[] = {
        {"ar", {QStringLiteral("4714"), QStringLiteral("4713")}}, // Artur Reis, Carla Dias
        {"a s", {QStringLiteral("4711"), QStringLiteral("4714"), QStringLiteral("4713")}},
        {"E5", {QStringLiteral("4715")}}, // by company number
        {"d'ana", {}},                    // an apostrophe is data
        {"x' OR 1=1 --", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numbersFound(QString::fromUtf8(c.typed)), c.numbers) << c.typed;
    EXPECT_FALSE(GuestSearch::searchable(QStringLiteral(" a ")));
    EXPECT_TRUE(GuestSearch::searchable(QStringLiteral("ab")));
}

TEST_P(GuestSearchTest, CaseAndAccentsDoNotCountAndWildcardsTypedMatchThemselves)
{
    run(Role::CheckIn,
        {"INSERT INTO tbConvites VALUES (20, '4720', NULL, NULL, N'JOÃO ÁLVARES', NULL, 1, NULL)",
         "INSERT INTO tbConvites VALUES (21, '4721', NULL, NULL, N'Teodora Brásio', NULL, 1, NULL)",
         "INSERT INTO tbConvites VALUES (22, '4722', NULL, NULL, 'Sala [VIP] 100% a_b', NULL, 1, NULL)"});
    const struct
    {
        const char *typed;
        QStringList numbers;
    } cases[] = {
        {"teodora bras", {QStringLiteral("4721")}},
        {"joao", {QStringLiteral("4720")}},
        {"ANA SA", {QStringLiteral("4711")}},
        {"[vip] 100%", {QStringLiteral("4722")}},
        {"a_b", {QStringLiteral("4722")}},
        {"a%", {}},
        {"[ab]", {}},
        {"_u", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numbersFound(QString::fromUtf8(c.typed)), c.numbers) << c.typed;
}

TEST_P(GuestSearchTest, CellsShowTheEntryTimeLikeTheVipListAndBlankWhenNotEntered)
{
    const GuestSearch::Result found = GuestSearch::read(open(Role::CheckIn), GuestSearch::query(QStringLiteral("u")));
    ASSERT_EQ(found.rows.size(), 3u); // Artur Reis, Bruno Lima, Zé Nunes
    const GuestSearch::Row &bruno = found.rows[1];
    EXPECT_EQ(QStringList(std::begin(bruno.cells), std::end(bruno.cells)),
              (QStringList{QStringLiteral("4712"), QStringLiteral("Bruno Lima"), QStringLiteral("E2"),
                           QStringLiteral("07-12-2026 09:05:00")}));
    EXPECT_EQ(found.rows[2].cells[3], QStringLiteral(" "));
    EXPECT_FALSE(found.more);
}

TEST_P(GuestSearchTest, MoreThanFiftyMatchesListFiftyAndSaySo)
{
    ConnectionRef c = open(Role::CheckIn);
    for (int i = 0; i < 51; ++i)
        c->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (%1, '%2', NULL, NULL, 'Convidado %3', NULL, 1, NULL)")
                       .arg(100 + i)
                       .arg(9000 + i)
                       .arg(i, 2, 10, QLatin1Char('0')));
    GuestSearch::Result found = GuestSearch::read(c, GuestSearch::query(QStringLiteral("convidado")));
    EXPECT_EQ(found.rows.size(), 50u);
    EXPECT_TRUE(found.more);
    EXPECT_EQ(found.rows.front().conviteNo, QStringLiteral("9000"));

    c->Execute(QStringLiteral("DELETE FROM tbConvites WHERE convite_id = 150"));
    found = GuestSearch::read(c, GuestSearch::query(QStringLiteral("convidado")));
    EXPECT_EQ(found.rows.size(), 50u);
    EXPECT_FALSE(found.more);
}

TEST(EntryCounterText, GroupsThousandsWithADotAndShowsADashWithoutACount)
{
    const struct
    {
        std::optional<int64_t> count;
        const char *text;
    } cases[] = {{0, "Entradas: 0"},
                 {999, "Entradas: 999"},
                 {1234, "Entradas: 1.234"},
                 {1000000, "Entradas: 1.000.000"},
                 {std::nullopt, "Entradas: —"}};
    for (const auto &c : cases)
        EXPECT_EQ(EntryCounter::text(c.count), QString::fromUtf8(c.text));
}

TEST_P(GuestSearchTest, TheCountFollowsEntriesAndShowsADashWhileItCannotBeRead)
{
    EntryCounter counter(Data::SqlServerId);
    counter.start();
    ASSERT_TRUE(shows(counter, QStringLiteral("Entradas: 3")));

    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 5"});
    counter.refreshNow();
    EXPECT_TRUE(shows(counter, QStringLiteral("Entradas: 4")));

    // The table gone: a dash, then the count again at a later tick once it is back.
    const auto rename = [this](const char *from, const char *to) {
        const QString sql = onRealSqlServer() ? QStringLiteral("EXEC sp_rename '%1', '%2'")
                                              : QStringLiteral("ALTER TABLE %1 RENAME TO %2");
        open(Role::CheckIn)->Execute(sql.arg(QLatin1String(from), QLatin1String(to)));
    };
    rename("tbConvites", "tbConvitesAway");
    counter.refreshNow();
    EXPECT_TRUE(shows(counter, QStringLiteral("Entradas: —")));
    rename("tbConvitesAway", "tbConvites");
    EXPECT_TRUE(shows(counter, QStringLiteral("Entradas: 4")));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Databases, GuestSearchTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

} // namespace

// The check-in's decisions and SQL texts, without a window.
#include "data/checkinverdict.h"

#include "data/checkinqueries.h"
#include "data/offlinecheckin.h"
#include "data/scanjournal.h"
#include "platform/textutil.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

Value at(int hour, int minute)
{
    return Value::date(QDate(2026, 12, 8), QTime(hour, minute, 37));
}

TEST(CheckinVerdictTest, EveryRowOfTheVerdictTable)
{
    const CheckinVerdict missing = CheckinVerdict::notFound();
    EXPECT_EQ(missing.kind, 2);
    EXPECT_TRUE(missing.text.isEmpty());
    EXPECT_FALSE(missing.writeEntry);

    for (bool member : {true, false}) {
        const CheckinVerdict used = CheckinVerdict::forInvitation(member, at(9, 5), QStringLiteral("X1"));
        EXPECT_EQ(used.kind, 3);
        EXPECT_EQ(used.text, QStringLiteral("Convite expirado. Já entrou às 09:05"));
        EXPECT_TRUE(used.callSign.isEmpty());
        EXPECT_FALSE(used.writeEntry);
    }
    EXPECT_EQ(CheckinVerdict::forInvitation(true, at(21, 40), QString()).text,
              QStringLiteral("Convite expirado. Já entrou às 21:40"));

    const CheckinVerdict member = CheckinVerdict::forInvitation(true, Value::zeroDate(), QStringLiteral("X1"));
    EXPECT_EQ(member.kind, 1);
    EXPECT_TRUE(member.text.isEmpty());
    EXPECT_TRUE(member.callSign.isEmpty()); // a member never gets the call sign
    EXPECT_TRUE(member.writeEntry);

    const CheckinVerdict guest = CheckinVerdict::forInvitation(false, Value::zeroDate(), QStringLiteral("X1"));
    EXPECT_EQ(guest.kind, 1);
    EXPECT_EQ(guest.callSign, QStringLiteral("X1"));
    EXPECT_TRUE(guest.writeEntry);

    const CheckinVerdict lost = CheckinVerdict::enteredElsewhere(at(10, 2));
    EXPECT_EQ(lost.kind, 3);
    EXPECT_EQ(lost.text, QStringLiteral("Convite expirado. Já entrou às 10:02"));
    EXPECT_FALSE(lost.writeEntry);

    const CheckinVerdict failed = CheckinVerdict::failure(QStringLiteral("sem ligação"));
    EXPECT_EQ(failed.kind, 3);
    EXPECT_EQ(failed.text, QStringLiteral("Erro no procedimento: sem ligação"));
}

TEST(CheckinVerdictTest, OnlyARealDateIsAnEntryTime)
{
    EXPECT_FALSE(CheckinVerdict::hasEntryTime(Value::zeroDate()));
    EXPECT_FALSE(CheckinVerdict::hasEntryTime(Value::null()));
    EXPECT_FALSE(CheckinVerdict::hasEntryTime(Value()));
    EXPECT_TRUE(CheckinVerdict::hasEntryTime(Value::date(QDate(1899, 12, 30), QTime(0, 1))));
    EXPECT_TRUE(CheckinVerdict::hasEntryTime(at(0, 0)));
}

// The same rules from the local copy and this desk's own offline entries, every text marked.
TEST(CheckinVerdictTest, OfflineVerdictsFromTheCopyAndThisDesksOwnEntries)
{
    LocalReplica::Invitation member;
    member.conviteId = 8;
    member.socioId = Value(57);
    member.nome = Value(QStringLiteral("Ana Sá"));
    member.callIn = Value(QStringLiteral("X1"));
    member.memberSource = 1;
    member.panel = std::vector<Value>(8, Value(QStringLiteral("v")));
    LocalReplica::Invitation guest = member;
    guest.socioId = Value::null();
    guest.memberSource = 0;
    guest.panel = std::vector<Value>(8, Value::null());
    LocalReplica::Invitation used = member;
    used.checkedIn = at(9, 5);
    OfflineEntry own;
    own.conviteId = 8;
    own.serverTime = QDateTime(QDate(2026, 12, 9), QTime(21, 40, 12), Qt::UTC);

    const struct
    {
        const char *name;
        std::optional<LocalReplica::Invitation> copy;
        std::optional<OfflineEntry> own;
        int kind;
        QString text;
        size_t panel;
    } cases[] = {
        {"unknown", std::nullopt, std::nullopt, 2, QStringLiteral("O convite não existe... (sem ligação)"), 0},
        {"member", member, std::nullopt, 1, QStringLiteral("Convite OK! (sem ligação)"), 8},
        {"guest", guest, std::nullopt, 1, QStringLiteral("Convite OK! (CALL: X1) (sem ligação)"), 0},
        {"used", used, std::nullopt, 3, QStringLiteral("Convite expirado. Já entrou às 09:05 (sem ligação)"), 8},
        {"own", member, own, 3, QStringLiteral("Convite expirado. Já entrou às 21:40 (sem ligação)"), 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const OfflineCheckin decided = OfflineCheckin::decide(c.copy, c.own);
        EXPECT_EQ(decided.verdict.kind, c.kind);
        EXPECT_EQ(decided.verdict.text, c.text);
        EXPECT_TRUE(decided.verdict.callSign.isEmpty());
        EXPECT_EQ(decided.verdict.writeEntry, c.kind == 1);
        EXPECT_EQ(decided.panel.size(), c.panel);
        EXPECT_EQ(decided.invitationFound, c.copy.has_value());
    }
}

TEST(CheckinQueriesTest, TheEntryLosesOnlyItsOuterSpaces)
{
    EXPECT_EQ(TextUtil::trimSpaces(QStringLiteral("  10 01  ")), QStringLiteral("10 01"));
    EXPECT_EQ(TextUtil::trimSpaces(QStringLiteral("    ")), QString());
    EXPECT_EQ(TextUtil::trimSpaces(QStringLiteral("\t1001 ")), QStringLiteral("\t1001"));
}

TEST(CheckinQueriesTest, TextsOfTheCheckinAndTheUndo)
{
    EXPECT_EQ(CheckinQueries::invitation(QStringLiteral("10'01")),
              QStringLiteral("SELECT convite_id, socio_id, no_tap, nome, call_in, base_dados, checked_in FROM "
                             "tbConvites WHERE convite_no = '10' + CHAR(39) + '01'"));
    EXPECT_EQ(CheckinQueries::memberById(101),
              QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE contacto_id = 101"));
    EXPECT_EQ(
        CheckinQueries::acceptEntry(42),
        QStringLiteral("UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 42 AND checked_in IS NULL"));
    EXPECT_EQ(CheckinQueries::entryTime(42), QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_id = 42"));
    EXPECT_EQ(CheckinQueries::undoEntry(-7, Value::date(QDate(2026, 12, 8), QTime(9, 5, 3, 7))),
              QStringLiteral("UPDATE tbConvites SET checked_in = null WHERE convite_id = -7 "
                             "AND checked_in BETWEEN CONVERT(DATETIME,'2026-12-08 09:05:03.004',121) "
                             "AND CONVERT(DATETIME,'2026-12-08 09:05:03.010',121)"));
    EXPECT_EQ(CheckinQueries::deliverEntry(42, QDateTime(QDate(2026, 3, 29), QTime(1, 30, 0, 5), Qt::UTC)),
              QStringLiteral("UPDATE tbConvites SET checked_in = CONVERT(DATETIME,'2026-03-29 01:30:00.005',121) "
                             "WHERE convite_id = 42 AND checked_in IS NULL"));
    // A company number that is blank is sent as the bare word null, which matches no row.
    EXPECT_TRUE(CheckinQueries::photographOwner(QString()).endsWith(QStringLiteral("WHERE no_empresa = null")));
}

// An entry time in the hour a change to summer time skips (Lisbon, 29 March 2026, 01:00 to 02:00)
// is sent as the server gave it, never as an empty text through the desk's time zone.
TEST(CheckinQueriesTest, TheUndoOfATimeTheLocalZoneSkipsIsSentAsTheServerGaveIt)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Lisbon");
    tzset();
    const QString undo = CheckinQueries::undoEntry(5, Value::date(QDate(2026, 3, 29), QTime(1, 30, 0, 500)));
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
    EXPECT_TRUE(undo.endsWith(QStringLiteral("BETWEEN CONVERT(DATETIME,'2026-03-29 01:30:00.497',121) "
                                             "AND CONVERT(DATETIME,'2026-03-29 01:30:00.503',121)")))
        << qPrintable(undo);
}

// The window of an accepting update opens at an instant the server's clock has surely passed,
// carried forward from the last reading; a reading too old, or none, gives nothing.
TEST(ServerClockTest, EarliestIsTheReadingCarriedForwardLessSlewAndRounding)
{
    const QDateTime read(QDate(2026, 12, 9), QTime(20, 0), Qt::UTC);
    ServerClock clock;
    EXPECT_FALSE(clock.earliest());
    clock.read(read);
    const struct
    {
        qint64 elapsedMs;
        qint64 expectedMs; // from the reading; -1: none
    } cases[] = {{0, -5}, {1000, 995}, {59999, 59999 - 30 - 4}, {60001, -1}, {-1, -1}};
    for (const auto &c : cases) {
        const std::optional<QDateTime> earliest = clock.earliestAfter(c.elapsedMs);
        if (c.expectedMs == -1)
            EXPECT_FALSE(earliest) << c.elapsedMs;
        else
            EXPECT_EQ(earliest.value_or(QDateTime()), read.addMSecs(c.expectedMs)) << c.elapsedMs;
    }
    EXPECT_LE(clock.earliest().value_or(QDateTime()), read);
}

} // namespace

// Two desks on the same check-in database: one invitation is let in once. In one process
// with two main windows (the second desk's check-in interleaved into the first one's), and
// at the database with two processes racing their accepting updates.
#include "tests/app/deskfixture.h"

#include "data/checkinqueries.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSet>

#include <functional>

namespace {

class DeskTwoDesks : public DeskFixture
{
};

// Runs an action the first time the watched object's dynamic properties change (the panel
// labels' Tag is written while the member panel is filled, between lookup and update).
class OnceOnPropertyChange : public QObject
{
public:
    explicit OnceOnPropertyChange(std::function<void()> action) : m_action(std::move(action)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::DynamicPropertyChange && m_action) {
            auto action = std::move(m_action);
            m_action = nullptr;
            action();
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

TEST_F(DeskTwoDesks, OneAfterTheOtherTheSecondSeesTheRefusal)
{
    auto first = desk();
    auto second = desk();
    typeAndEnter(*first, QStringLiteral("1002"));
    second->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(second.get()));
    second->ui().FXNo_TAP->setFocus();
    typeAndEnter(*second, QStringLiteral("1002"));
    EXPECT_EQ(verdict(*first), QStringLiteral("Convite OK!"));
    const QString time = checkedIn(QStringLiteral("1002")).toDateTime().toString(QStringLiteral("HH:mm"));
    EXPECT_EQ(verdict(*second), QStringLiteral("Convite expirado. Já entrou às ") + time);
}

TEST_F(DeskTwoDesks, ADeskThatLosesTheRaceShowsTheWinnersEntryTime)
{
    auto late = desk();
    auto early = desk();
    // The early desk checks 1001 in while the late desk has looked it up (still unused)
    // and is filling its panel.
    OnceOnPropertyChange interleave([&] {
        early->ui().FXNo_TAP->setText(QStringLiteral("1001"));
        early->VerifyCode();
    });
    late->ui().FXNome_Union->installEventFilter(&interleave);
    late->ui().FXNo_TAP->setText(QStringLiteral("1001"));
    late->VerifyCode();
    late->ui().FXNome_Union->removeEventFilter(&interleave);

    EXPECT_EQ(verdict(*early), QStringLiteral("Convite OK!"));
    const Value written = checkedIn(QStringLiteral("1001"));
    ASSERT_TRUE(written.isDateValue());
    EXPECT_EQ(verdict(*late),
              QStringLiteral("Convite expirado. Já entrou às ") + written.toDateTime().toString(QStringLiteral("HH:mm")));
    EXPECT_EQ(late->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_NE(late->LastConviteID, 0);
    // Exactly one entry time was written, the early desk's.
    EXPECT_EQ(scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE convite_no = '1001' "
                                                 "AND checked_in IS NOT NULL")),
              Value(int32_t(1)));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The child side of the process race: started by the test below, never on its own.
TEST(DeskRaceChild, AcceptsEveryInvitationItCanWhenStartedByTheRace)
{
    const QString file = qEnvironmentVariable("QUORVET_RACE_DB");
    if (file.isEmpty())
        GTEST_SKIP() << "runs only as a child process of DeskTwoDesks.TwoProcessesAcceptEachInvitationExactlyOnce";
    const QString go = qEnvironmentVariable("QUORVET_RACE_GO");
    const int rounds = qEnvironmentVariableIntValue("QUORVET_RACE_ROUNDS");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(go); }, 30000));
    auto connection = std::make_shared<Connection>();
    connection->Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    for (int id = 1; id <= rounds; ++id) {
        int64_t changed = -1;
        connection->Execute(CheckinQueries::acceptEntry(id), &changed);
        ASSERT_TRUE(changed == 0 || changed == 1) << changed;
        if (changed == 1)
            std::printf("WON %d\n", id);
    }
    std::fflush(stdout);
}

TEST_F(DeskTwoDesks, TwoProcessesAcceptEachInvitationExactlyOnce)
{
    constexpr int Rounds = 300;
    const QString file = m_dir.filePath(QStringLiteral("race.db"));
    ASSERT_TRUE(TestSupport::createEmptyDatabase(file));
    exec(file, QStringLiteral("CREATE TABLE tbConvites (convite_id INTEGER PRIMARY KEY, convite_no TEXT, "
                              "checked_in DATETIME NULL)"));
    exec(file, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO tbConvites (convite_id, convite_no) SELECT i, i FROM n")
                   .arg(Rounds));
    const QString go = m_dir.filePath(QStringLiteral("go"));

    QList<QProcess *> children;
    for (int i = 0; i < 2; ++i) {
        auto *child = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVET_RACE_DB"), file);
        env.insert(QStringLiteral("QUORVET_RACE_GO"), go);
        env.insert(QStringLiteral("QUORVET_RACE_ROUNDS"), QString::number(Rounds));
        child->setProcessEnvironment(env);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=DeskRaceChild.*")});
        ASSERT_TRUE(child->waitForStarted());
        children << child;
    }
    {
        QFile start(go);
        ASSERT_TRUE(start.open(QIODevice::WriteOnly));
    }
    QList<QSet<int>> won;
    for (QProcess *child : children) {
        EXPECT_TRUE(child->waitForFinished(60000));
        const QString out = QString::fromUtf8(child->readAllStandardOutput());
        EXPECT_EQ(child->exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
        QSet<int> ids;
        for (const QString &line : out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("WON ")))
                ids.insert(line.mid(4).toInt());
        }
        won << ids;
        delete child;
    }
    ASSERT_EQ(won.size(), 2);
    EXPECT_TRUE(QSet<int>(won[0]).intersect(won[1]).isEmpty());
    EXPECT_EQ(won[0].size() + won[1].size(), Rounds);
    EXPECT_EQ(scalar(file, QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NULL")), Value(int32_t(0)));
}

} // namespace

// Desks on the same check-in database, on both stores: one invitation is let in once. In one
// process with two main windows (the second desk's check-in interleaved into the first one's),
// and with three desk processes racing for the same invitations.
#include "tests/app/deskfixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QProcess>

#include <cstdio>
#include <functional>

namespace {

class DeskTwoDesks : public OnBothStores<>
{};

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

TEST_P(DeskTwoDesks, OneAfterTheOtherTheSecondSeesTheRefusal)
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

TEST_P(DeskTwoDesks, ADeskThatLosesTheRaceShowsTheWinnersEntryTime)
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
    EXPECT_EQ(verdict(*late), QStringLiteral("Convite expirado. Já entrou às ")
                                  + written.toDateTime().toString(QStringLiteral("HH:mm")));
    EXPECT_EQ(late->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_NE(late->LastConviteID, 0);
    // Exactly one entry time was written, the early desk's.
    EXPECT_EQ(scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE convite_no = '1001' "
                                                 "AND checked_in IS NOT NULL")),
              Value(int32_t(1)));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The child side of the race below: a desk process of its own, started by the test, never alone.
TEST(DeskRaceChild, ChecksInEveryRaceInvitation)
{
    const QString go = qEnvironmentVariable("QUORVET_RACE_GO");
    if (go.isEmpty())
        GTEST_SKIP() << "runs only as a child process of DeskTwoDesks.ThreeDeskProcessesAcceptEachInvitationOnce";
    const int count = qEnvironmentVariableIntValue("QUORVET_RACE_COUNT");
    frmMain w;
    w.setProcessTerminator([](const QString &) { return false; });
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(go); }, 30000));
    for (int i = 1; i <= count; ++i) {
        const QString number = QStringLiteral("R%1").arg(i);
        w.ui().FXNo_TAP->setText(number);
        w.VerifyCode();
        QString shown;
        for (QLabel *l : {w.ui().FXMessage_OK, w.ui().FXMessage_Alert, w.ui().FXMessage_Invalid})
            if (!l->isHidden())
                shown += l->text();
        std::printf("RACE %s %s\n", qPrintable(number), qPrintable(shown));
    }
    std::fflush(stdout);
}

TEST_P(DeskTwoDesks, ThreeDeskProcessesAcceptEachInvitationOnce)
{
    // Every invitation tried by every desk: a few hundred check-ins in all.
    constexpr int Count = 100;
    constexpr int Desks = 3;
    exec(checkinDb(), QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO tbConvites (convite_no, nome, call_in, base_dados) "
                                     "SELECT 'R' || i, 'Convidado ' || i, '', 1 FROM n")
                          .arg(Count));
    const QString go = m_dir.filePath(QStringLiteral("go"));
    QList<QProcess *> children;
    for (int i = 0; i < Desks; ++i) {
        auto *child = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVET_RACE_GO"), go);
        env.insert(QStringLiteral("QUORVET_RACE_COUNT"), QString::number(Count));
        child->setProcessEnvironment(env);
        child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=DeskRaceChild.*")});
        ASSERT_TRUE(child->waitForStarted());
        children << child;
    }
    {
        QFile start(go);
        ASSERT_TRUE(start.open(QIODevice::WriteOnly));
    }
    QMap<QString, QStringList> verdicts;
    for (QProcess *child : children) {
        EXPECT_TRUE(child->waitForFinished(120000));
        const QString out = QString::fromUtf8(child->readAllStandardOutput());
        EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
        for (const QString &line : out.split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("RACE ")))
                verdicts[line.section(QLatin1Char(' '), 1, 1)] << line.section(QLatin1Char(' '), 2);
        delete child;
    }
    ASSERT_EQ(verdicts.size(), Count);
    for (auto it = verdicts.cbegin(); it != verdicts.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        ASSERT_EQ(it.value().size(), Desks);
        const Value written = checkedIn(it.key());
        ASSERT_TRUE(written.isDateValue());
        const QString refusal = QStringLiteral("Convite expirado. Já entrou às ")
                                + written.toDateTime().toString(QStringLiteral("HH:mm"));
        EXPECT_EQ(it.value().count(QStringLiteral("Convite OK!")), 1)
            << it.value().join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(it.value().count(refusal), Desks - 1) << it.value().join(QStringLiteral(" | ")).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, DeskTwoDesks, deskStores(), deskStoreName);

} // namespace

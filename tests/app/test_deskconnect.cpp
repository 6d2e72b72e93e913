// Connect on the main window: three fresh connections per call, proved one by one, with
// the two organisations' status labels.
#include "tests/app/deskfixture.h"

#include <QFileInfo>
#include <QLabel>

namespace {

const QString Failed = QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f.");

class DeskConnect : public DeskFixture
{
protected:
    QString missing() const { return m_dir.filePath(QStringLiteral("missing")); }
};

TEST_F(DeskConnect, AllThreeReachable)
{
    auto w = desk();
    EXPECT_TRUE(w->Connect().isEmpty());
    EXPECT_FALSE(w->ui().Label_ZELMAR->isHidden());
    EXPECT_FALSE(w->ui().Label_KORDA->isHidden());
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
    for (const ConnectionRef &c : {w->ConnSqlServer(), w->ConnZELMAR(), w->ConnKORDA}) {
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->State(), Connection::StateOpen);
    }
    EXPECT_EQ(w->ConnSqlServer()->ConnectionString(), DemoEnvironment::sqlServerConnection(m_set));
    EXPECT_EQ(w->ConnZELMAR()->ConnectionString(), DemoEnvironment::zelmarConnection(m_set));
    EXPECT_EQ(w->ConnKORDA->ConnectionString(), DemoEnvironment::kordaConnection(m_set));
    EXPECT_TRUE(w->isEnabled()); // the tests disable the window only while they run
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskConnect, TheCheckinDatabaseMissingFailsWithBothLabelsShowingSuccess)
{
    qputenv("QUORVET_CONNECTION_SQLSERVER", DemoEnvironment::sqlServerConnection(missing()).toUtf8());
    auto w = desk();
    EXPECT_EQ(w->Connect(), Failed);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
    EXPECT_NE(w->ConnSqlServer()->State(), Connection::StateOpen);
}

TEST_F(DeskConnect, ZelmarMissingShowsItsErrorAndTheOthersAreStillTested)
{
    qputenv("QUORVET_CONNECTION_ZELMAR", DemoEnvironment::zelmarConnection(missing()).toUtf8());
    auto w = desk();
    EXPECT_EQ(w->Connect(), Failed);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
    EXPECT_NE(w->ConnZELMAR()->State(), Connection::StateOpen);
    EXPECT_EQ(w->ConnKORDA->State(), Connection::StateOpen);
    EXPECT_EQ(w->ConnSqlServer()->State(), Connection::StateOpen);

    // Reachable again: the next call clears the labels and shows the new state.
    pointAt(m_set);
    EXPECT_TRUE(w->Connect().isEmpty());
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
}

TEST_F(DeskConnect, KordaMissingShowsItsError)
{
    qputenv("QUORVET_CONNECTION_KORDA", DemoEnvironment::kordaConnection(missing()).toUtf8());
    auto w = desk();
    EXPECT_EQ(w->Connect(), Failed);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor da KORDA"));
}

TEST_F(DeskConnect, TwoCallsInARowLeaveThreeConnectionsNotSix)
{
    auto w = desk();
    ASSERT_TRUE(w->Connect().isEmpty());
    const std::weak_ptr<Connection> firstCheckin = w->ConnSqlServer();
    const std::weak_ptr<Connection> firstZelmar = w->ConnZELMAR();
    const std::weak_ptr<Connection> firstKorda = w->ConnKORDA;
    ASSERT_TRUE(w->Connect().isEmpty());
    EXPECT_TRUE(firstCheckin.expired());
    EXPECT_TRUE(firstZelmar.expired());
    EXPECT_TRUE(firstKorda.expired());
    EXPECT_EQ(w->ConnSqlServer().use_count(), 1);
    EXPECT_EQ(w->ConnZELMAR().use_count(), 1);
    EXPECT_EQ(w->ConnKORDA.use_count(), 1);
    EXPECT_EQ(w->ConnSqlServer()->State(), Connection::StateOpen);
}

// The connections of the previous call stay open until the new ones are proved, so the
// check-in database is never left without a connection between two check-ins: its write-ahead
// log is then not checkpointed away at each call (an entry written before the call is still
// in the log afterwards, where a last closing connection would have emptied it).
TEST_F(DeskConnect, ThePreviousConnectionsAreReleasedOnlyOnceTheNewOnesAreOpen)
{
    auto w = desk();
    ASSERT_TRUE(w->Connect().isEmpty());
    int64_t changed = 0;
    w->ConnSqlServer()->Execute(QStringLiteral("UPDATE tbConvites SET nome = nome || 'x' WHERE convite_no = '1001'"),
                                &changed);
    ASSERT_EQ(changed, 1);
    const QFileInfo log(checkinDb() + QStringLiteral("-wal"));
    ASSERT_GT(log.size(), 0);
    const std::weak_ptr<Connection> previous = w->ConnSqlServer();

    ASSERT_TRUE(w->Connect().isEmpty());
    EXPECT_TRUE(previous.expired());
    EXPECT_GT(QFileInfo(log.absoluteFilePath()).size(), 0);
    EXPECT_EQ(w->ConnSqlServer()->State(), Connection::StateOpen);
}

TEST_F(DeskConnect, ARegistryNamedConnectionWithoutSettingsFails)
{
    // "Registry=<entry>" asks for a string built from the registry entry; with no values
    // there the check-in database cannot be reached.
    qputenv("QUORVET_CONNECTION_SQLSERVER", "Registry=QuorvetDeskTest");
    auto w = desk();
    EXPECT_EQ(w->Connect(), Failed);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
}

} // namespace

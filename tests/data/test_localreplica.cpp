// The desk's local copy against the real databases on both providers: what it holds for each
// member lookup rule, entries and undos of other desks, a fill that fails midway, the file's
// mode, and the refresher's own thread.
#include "data/checkinqueries.h"
#include "data/localreplica.h"
#include "data/replicarefresher.h"
#include "tests/data/databasefixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

class LocalReplicaTest : public DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        if (HasFatalFailure())
            return;
        run(Role::CheckIn,
            {"CREATE TABLE tbConvites (convite_id INT PRIMARY KEY, convite_no VARCHAR(20), socio_id INT NULL, "
             "no_tap VARCHAR(20) NULL, nome NVARCHAR(100) NULL, call_in VARCHAR(20) NULL, base_dados INT NULL, "
             "checked_in DATETIME NULL)",
             "INSERT INTO tbConvites VALUES (10, '100', 57, 'E1', 'Ana Sá', NULL, 1, NULL)",
             "INSERT INTO tbConvites VALUES (11, '101', 58, 'E3', 'Carla Dias', NULL, 2, "
             "CONVERT(DATETIME,'2026-12-07 21:40:00',102))",
             "INSERT INTO tbConvites VALUES (12, '102', 99, 'E1', 'Ana Sá', NULL, 2, NULL)",
             "INSERT INTO tbConvites VALUES (13, '103', 99, 'EX', 'Ninguém', NULL, 1, NULL)",
             "INSERT INTO tbConvites VALUES (14, '104', NULL, 'E1', 'Convidado', 'X1', 2, NULL)",
             "INSERT INTO tbConvites VALUES (15, '105', 57, 'E1', 'Base errada', NULL, 3, NULL)"});
        run(Role::Members,
            {"CREATE TABLE tbAssociados (contacto_id INT PRIMARY KEY, no_empresa VARCHAR(20), nome_union "
             "NVARCHAR(100), no_socio INT, dnascimento DATETIME NULL, empresa VARCHAR(50), base VARCHAR(50), "
             "morada NVARCHAR(100), localidade NVARCHAR(50))",
             "CREATE VIEW vwAssociados_Completos AS SELECT contacto_id, no_empresa, nome_union, no_socio, "
             "dnascimento, empresa, base, morada, localidade FROM tbAssociados",
             "INSERT INTO tbAssociados VALUES (57, 'E1', 'Ana Sá', 4711, CONVERT(DATETIME,'1970-03-04',102), "
             "'Velkor', 'Lisboa', 'Rua da Paz 1', 'Óbidos')",
             "INSERT INTO tbAssociados VALUES (58, 'E3', 'Carla Dias', 4712, NULL, 'Tarnis', 'Porto', "
             "'Av. Central 9', 'Braga')"});
        m_replica = LocalReplica(path(QStringLiteral("state/quorvet/replica.db")));
    }

    void fill() { m_replica.fillAll(open(Role::CheckIn), open(Role::Members), open(Role::Korda)); }

    Value serverEntryTime(int conviteId)
    {
        Recordset rs;
        rs.Open(CheckinQueries::entryTime(conviteId), open(Role::CheckIn));
        return LocalReplica::stored(rs.Fields(0).Value());
    }

    LocalReplica m_replica{QString()};
};

TEST_P(LocalReplicaTest, HoldsWhatTheDeskReadsForEachLookupRule)
{
    fill();
    const struct
    {
        const char *number;
        int source;   // where the desk's lookup finds the member
        int memberId; // and whose row it shows
    } cases[] = {
        {"100", 1, 57}, // by id in ZELMAR, the issuing organisation
        {"101", 2, 58}, // by id in KORDA
        {"102", 1, 57}, // id unknown in KORDA: by company number, ZELMAR first
        {"103", 0, 0},  // neither id nor company number known
        {"104", 0, 0},  // a guest without a member record
        {"105", 0, 0},  // an organisation code the desk cannot look in
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        const auto copy = m_replica.invitation(QString::fromLatin1(c.number));
        ASSERT_TRUE(copy);
        Recordset rs;
        rs.Open(CheckinQueries::invitation(QString::fromLatin1(c.number)), open(Role::CheckIn));
        ASSERT_FALSE(rs.Eof());
        EXPECT_EQ(copy->conviteId, rs.Fields("convite_id").Value().toLong());
        EXPECT_EQ(copy->socioId, LocalReplica::stored(rs.Fields("socio_id").Value()));
        EXPECT_EQ(copy->noTap, LocalReplica::stored(rs.Fields("no_tap").Value()));
        EXPECT_EQ(copy->nome, LocalReplica::stored(rs.Fields("nome").Value()));
        EXPECT_EQ(copy->callIn, LocalReplica::stored(rs.Fields("call_in").Value()));
        EXPECT_EQ(copy->baseDados, LocalReplica::stored(rs.Fields("base_dados").Value()));
        EXPECT_EQ(copy->checkedIn, LocalReplica::stored(rs.Fields("checked_in").Value()));
        rs.Close();
        EXPECT_EQ(copy->memberSource, c.source);
        EXPECT_EQ(copy->memberId, c.memberId);
        ASSERT_EQ(copy->panel.size(), size_t(8));
        if (c.source == 0) {
            for (const Value &v : copy->panel)
                EXPECT_TRUE(v.isNull());
            continue;
        }
        // The panel as the desk fills it from the member row it reads.
        rs.Open(CheckinQueries::memberById(c.memberId), open(c.source == 1 ? Role::Members : Role::Korda));
        ASSERT_FALSE(rs.Eof());
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(copy->panel[i], LocalReplica::stored(rs.Fields(LocalReplica::panelColumns()[i]).Value()))
                << LocalReplica::panelColumns()[i].toStdString();
    }
    EXPECT_FALSE(m_replica.invitation(QStringLiteral("999")));
}

TEST_P(LocalReplicaTest, SeesAnotherDesksEntryAtRefreshAndItsUndoAtTheNextWholeCopy)
{
    fill();
    const QDateTime firstCopy = *m_replica.copiedAt();
    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 12"});
    m_replica.refreshEntries(open(Role::CheckIn));
    EXPECT_EQ(m_replica.invitation(QStringLiteral("102"))->checkedIn, serverEntryTime(12));
    EXPECT_TRUE(m_replica.invitation(QStringLiteral("102"))->checkedIn.isDateValue());
    EXPECT_GE(*m_replica.copiedAt(), firstCopy);

    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = null WHERE convite_id = 12"});
    fill();
    EXPECT_TRUE(m_replica.invitation(QStringLiteral("102"))->checkedIn.isNull());
}

TEST_P(LocalReplicaTest, AFillThatFailsMidwayLeavesThePreviousCopyWhole)
{
    fill();
    const QDateTime before = *m_replica.copiedAt();
    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 10",
                        "DELETE FROM tbConvites WHERE convite_id = 13"});
    // The fill stops once the copy's tables are written anew, before they are committed.
    const auto failHalfway = [](int percent) {
        if (percent >= 95)
            throw RuntimeError(-2147467259, QStringLiteral("link lost"));
    };
    EXPECT_THROW(m_replica.fillAll(open(Role::CheckIn), open(Role::Members), open(Role::Korda), failHalfway),
                 RuntimeError);
    EXPECT_EQ(m_replica.invitationCount(), 6);
    EXPECT_TRUE(m_replica.invitation(QStringLiteral("100"))->checkedIn.isNull());
    EXPECT_EQ(m_replica.invitation(QStringLiteral("100"))->memberId, 57);
    EXPECT_EQ(*m_replica.copiedAt(), before);
}

// The desk closing during a copy sets the flag from the window's thread; here it is set at the
// first row read, and the copy stops there with the copy on file as it was.
TEST_P(LocalReplicaTest, AStopFlagEndsAFillAndARefreshAtTheNextRow)
{
    fill();
    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 10"});
    std::atomic<bool> stop{false};
    m_replica.stopWhen(&stop);
    int calls = 0;
    EXPECT_THROW(m_replica.fillAll(open(Role::CheckIn), open(Role::Members), open(Role::Korda),
                                   [&](int) {
                                       ++calls;
                                       stop = true;
                                   }),
                 RuntimeError);
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(m_replica.refreshEntries(open(Role::CheckIn)), RuntimeError);
    EXPECT_TRUE(m_replica.invitation(QStringLiteral("100"))->checkedIn.isNull());
    m_replica.stopWhen(nullptr);
}

TEST_P(LocalReplicaTest, IsOnlyTheUsersAndForgetRemovesIt)
{
    fill();
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(m_replica.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(m_replica.path()).absolutePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A folder others can read is refused, and nothing is written into it.
    const QString open = path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(open));
    ASSERT_TRUE(QFile::setPermissions(open, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                | QFileDevice::ReadOther | QFileDevice::ExeOther));
    LocalReplica exposed(open + QStringLiteral("/replica.db"));
    EXPECT_THROW(exposed.fillAll(this->open(Role::CheckIn), this->open(Role::Members), this->open(Role::Korda)),
                 RuntimeError);
    EXPECT_FALSE(QFileInfo::exists(exposed.path()));

    // The desk's own state folder, made open by the journal before, is closed to others.
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", path(QStringLiteral("xdg")).toUtf8());
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("xdg/quorvet"))));
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("xdg/quorvet")),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther));
    LocalReplica own(LocalReplica::defaultPath());
    own.fillAll(this->open(Role::CheckIn), this->open(Role::Members), this->open(Role::Korda));
    qputenv("XDG_STATE_HOME", state);
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral("xdg/quorvet"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    QString error;
    EXPECT_TRUE(LocalReplica::forget(m_replica.path(), &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_replica.path()));
    EXPECT_FALSE(QFileInfo::exists(m_replica.path() + QStringLiteral("-wal")));
    EXPECT_FALSE(m_replica.copiedAt());
}

TEST_P(LocalReplicaTest, RefresherCopiesOnItsOwnThreadWithProgressThenRefreshesEntries)
{
    qputenv("QUORVET_CONNECTION_SQLSERVER", connectionString(Role::CheckIn).toUtf8());
    qputenv("QUORVET_CONNECTION_ZELMAR", connectionString(Role::Members).toUtf8());
    qputenv("QUORVET_CONNECTION_KORDA", connectionString(Role::Korda).toUtf8());
    ReplicaRefresher refresher(m_replica.path());
    refresher.setIntervals(50, 60 * 60 * 1000);
    QStringList shown;
    QObject::connect(&refresher, &ReplicaRefresher::progressChanged, [&](const QString &t) { shown << t; });
    int refreshes = 0;
    QObject::connect(&refresher, &ReplicaRefresher::refreshed, [&] { ++refreshes; });
    const auto waitFor = [&](int n) {
        QElapsedTimer t;
        t.start();
        while (refreshes < n && t.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };
    EXPECT_FALSE(refresher.ageSeconds());
    refresher.start();
    EXPECT_TRUE(refresher.busy()); // the window's thread does not wait for the copy
    waitFor(1);
    EXPECT_EQ(refresher.lastError(), QString());
    ASSERT_TRUE(refresher.ageSeconds());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.first(), QStringLiteral("Cópia local: 0 %"));
    EXPECT_EQ(shown.last(), QString());

    run(Role::CheckIn, {"UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 14"});
    waitFor(refreshes + 2);
    EXPECT_EQ(m_replica.invitation(QStringLiteral("104"))->checkedIn, serverEntryTime(14));
    for (const char *name : {"QUORVET_CONNECTION_SQLSERVER", "QUORVET_CONNECTION_ZELMAR", "QUORVET_CONNECTION_KORDA"})
        qunsetenv(name);
}

INSTANTIATE_TEST_SUITE_P(Databases, LocalReplicaTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

} // namespace

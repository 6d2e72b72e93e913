// The desk on the production path only: its three connections as SQLOLEDB strings through
// QODBC, unixODBC and the FreeTDS driver to quorvet-tds-server serving a demo set. What only a
// server has: an undo or a check-in whose server goes away, the VIP window against the embedded
// store's, a registry-named connection with a password made by quorvet-passwd, sessions pooled
// across check-ins, and faults of the network and the server between check-ins. The desk's
// cases that run on both stores are in the other test_desk*.cpp files (OnBothStores).
#include "tests/app/deskfixture.h"

#include "data/deskjournal.h"
#include "data/modtestconnection.h"
#include "data/sessionpool.h"
#include "forms/frmmainvips.h"
#include "platform/registryfile.h"
#include "tests/support/tdsserverprocess.h"
#include "ui/vbkeys.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QToolBar>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {

const QString ConnectFailedText = QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f.");

// The desk on SQL Server only: what the server's own faults, logins and sessions do.
class DeskOverTds : public DeskFixture
{
protected:
    bool onSqlServer() const override { return true; }

    // Counts the times the SQL server dialog would be shown (none is made) until the test ends.
    void countServerDialogs()
    {
        modTestConnection::setServerDialogFactory([this]() -> std::unique_ptr<modTestConnection::ServerDialog> {
            ++m_serverDialogs;
            return nullptr;
        });
    }
    void TearDown() override
    {
        modTestConnection::setServerDialogFactory(nullptr);
        DeskFixture::TearDown();
    }

    int m_serverDialogs = 0;
};

// The same test with the sessions pooled and opened anew: every fault shows the same.
class DeskOverTdsPool : public DeskOverTds, public ::testing::WithParamInterface<const char *>
{
protected:
    void SetUp() override
    {
        qputenv("QUORVET_SESSION_POOL", GetParam());
        SessionPool::clear();
        DeskOverTds::SetUp();
    }
    void TearDown() override
    {
        DeskOverTds::TearDown();
        qunsetenv("QUORVET_SESSION_POOL");
        SessionPool::clear();
    }
};

INSTANTIATE_TEST_SUITE_P(Pool, DeskOverTdsPool, ::testing::Values("on", "off"));

// The undo when the server has gone since the check-in: it says so and stays possible; once
// the server is back (a new process on the same port: the desk's sessions died with the old
// one) the next Esc clears the entry.
TEST_F(DeskOverTds, AnUndoThatCannotReachTheServerSaysSoAndCanBeTriedAgain)
{
    pointAtServer(QStringLiteral(";Connect Timeout=2"));
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1004"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    w->Timer1_Timer(); // the pause ends at once
    const quint16 port = m_server.port();
    m_server.stop();
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[1].prompt,
              QStringLiteral("A entrada não foi anulada: não foi possivel ligar ao servidor. Volte a tentar s.f.f."));
    EXPECT_TRUE(checkedIn(QStringLiteral("1004")).isDateValue());
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));

    ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString();
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 3);
    EXPECT_TRUE(checkedIn(QStringLiteral("1004")).isNull());
    EXPECT_EQ(w->LastConviteID, 0);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The link lost right after the entry ran, and every reply after it too (each batch naming a
// convite_id is run and its connection dropped), as a server gone at that moment: the connect
// message, not a procedure error; the journal keeps the attempt, and the next scan of the
// invitation at this desk, once the server answers, is this desk's own entry: accepted with
// its panel, and undone by Esc.
TEST_F(DeskOverTds, ALostReplyWithTheServerGoneIsThisDesksEntryAtTheNextScan)
{
    const quint16 port = m_server.port();
    m_server.stop();
    ASSERT_TRUE(
        m_server.start(catalogs(), {QStringLiteral("--drop-after-batch"), QStringLiteral("WHERE convite_id = ")}, port))
        << m_server.error().toStdString();
    const QString journal = m_dir.filePath(QStringLiteral("journal.db"));
    qputenv("QUORVET_JOURNAL", journal.toUtf8());
    const std::shared_ptr<void> unsetJournal(nullptr, [](void *) { qunsetenv("QUORVET_JOURNAL"); });
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailedText);
    EXPECT_TRUE(verdict(*w).isEmpty()) << qPrintable(verdict(*w));
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
    const auto entries = DeskJournal::read(journal, QString(), nullptr);
    ASSERT_TRUE(entries && !entries->empty());
    EXPECT_EQ(entries->back().verdict, QStringLiteral("unconfirmed"));
    w->Timer1_Timer(); // the pause ends at once

    m_server.stop();
    ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString();
    typeAndEnter(*w, QStringLiteral("1002"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    w->Timer1_Timer(); // the pause ends at once
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isNull());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskOverTds, TheVipWindowListsWhatTheEmbeddedStoreLists)
{
    // The same window on the embedded store first, then through the server.
    QStringList shown[2];
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0)
            pointAt(m_set);
        else
            pointAtServer();
        frmMain w;
        w.setProcessTerminator([](const QString &) { return false; });
        w.Form_Load();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::mouseClick(w.ui().Toolbar1->widgetForAction(w.ui().Toolbar1Button), Qt::LeftButton);
        const QList<frmMainVIPs *> lists = w.findChildren<frmMainVIPs *>(Qt::FindDirectChildrenOnly);
        ASSERT_EQ(lists.size(), 1);
        shown[pass] << lists[0]->Label4()->text();
        QTreeWidget *view = lists[0]->ListView1();
        for (int row = 0; row < view->topLevelItemCount(); ++row)
            for (int column = 0; column < view->columnCount(); ++column)
                shown[pass] << view->topLevelItem(row)->text(column);
    }
    EXPECT_GE(shown[1].size(), 1 + 4 * 2);
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskOverTds, ARegistryEntryWithAPasswordFromQuorvetPasswd)
{
    // A server of its own with a password that only the registry value carries.
    const QString password = QStringLiteral("Regísto-4!x");
    TdsServerProcess server;
    ASSERT_TRUE(server.start(catalogs(), {}, 0, password)) << server.error().toStdString();
    QTemporaryDir dir;
    const QString machineId = dir.filePath(QStringLiteral("machine-id"));
    {
        QFile id(machineId);
        ASSERT_TRUE(id.open(QIODevice::WriteOnly));
        id.write("0f9e8d7c6b5a49382716051423324150\n");
    }
    qputenv("QUORVET_MACHINE_ID_FILE", machineId.toUtf8());
    QProcess passwd;
    passwd.start(QStringLiteral(QUORVET_PASSWD_TOOL), {});
    ASSERT_TRUE(passwd.waitForStarted());
    passwd.write(password.toUtf8() + '\n');
    passwd.closeWriteChannel();
    ASSERT_TRUE(passwd.waitForFinished(30000));
    const QByteArray encoded = passwd.readAllStandardOutput().trimmed();
    ASSERT_TRUE(encoded.startsWith("qv1:")) << passwd.readAllStandardError().constData();
    {
        QFile registry(RegistryFile::defaultPath());
        ASSERT_TRUE(registry.open(QIODevice::WriteOnly | QIODevice::Truncate));
        registry.write("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n"
                       "\"dtSecurityInfo\"=\"True\"\r\n\"dtUser\"=\"sa\"\r\n\"dtPassword\"=\""
                       + encoded
                       + "\"\r\n"
                         "\"dtInitialCatalog\"=\"Pelvrin\"\r\n"
                         "\"dtDataSource\"=\"127.0.0.1\\\\SQLEXPRESS,"
                       + QByteArray::number(server.port()) + "\"\r\n");
    }
    qputenv("QUORVET_CONNECTION_SQLSERVER", "Registry=SqlServer");
    TestSupport::MsgBoxRecorder boxes;
    {
        auto w = desk();
        typeAndEnter(*w, QStringLiteral("1001"));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    }
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_GE(server.logins(), 1);
    EXPECT_EQ(server.refusedLogins(), 0);
    QFile::remove(RegistryFile::defaultPath());
    qunsetenv("QUORVET_MACHINE_ID_FILE");
}

TEST_F(DeskOverTds, PooledSessionsSpareTheThreeLoginsOfEachCheckIn)
{
    const struct
    {
        const char *pool;
        int loginsPerCheckIn;
    } cases[] = {{"off", 3}, {"on", 0}};
    TestSupport::MsgBoxRecorder boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pool);
        qputenv("QUORVET_SESSION_POOL", c.pool);
        SessionPool::clear();
        auto w = desk();
        // The first two check-ins fill the pool (the previous connections are held while the next open).
        for (int i = 0; i < 2; ++i) {
            w->ui().FXNo_TAP->setText(QStringLiteral("424242"));
            w->VerifyCode();
        }
        const int before = m_server.logins();
        constexpr int CheckIns = 5;
        for (int i = 0; i < CheckIns; ++i) {
            w->ui().FXNo_TAP->setText(QStringLiteral("424242"));
            w->VerifyCode();
            EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe..."));
        }
        EXPECT_EQ(m_server.logins() - before, CheckIns * c.loginsPerCheckIn);
    }
    qunsetenv("QUORVET_SESSION_POOL");
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_P(DeskOverTdsPool, AServerRestartedBetweenTwoCheckInsIsNotNoticed)
{
    countServerDialogs();
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    for (const char *number : {"1001", "1002"}) {
        w->ui().FXNo_TAP->setText(QString::fromLatin1(number));
        w->VerifyCode();
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    }
    // Every pooled session now belongs to a server that is gone.
    const quint16 port = m_server.port();
    m_server.stop();
    ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString();
    w->ui().FXNo_TAP->setText(QStringLiteral("1003"));
    w->VerifyCode();
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1003")).isDateValue());
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
    EXPECT_EQ(m_serverDialogs, 0); // the dead pooled sessions were replaced before any probe failed
}

// Faults of the network and the server between two check-ins, with small timeouts: each shows
// the connect message and the same labels whether sessions are pooled or not, writes nothing,
// hangs no longer than the one connect deadline (plus room for a loaded machine), and the next
// check-in once the server is back is accepted without a restart of the desk. ZELMAR and the
// check-in database share one connection text, as at the events, so that the pool holds
// several sessions of it.
TEST_P(DeskOverTdsPool, NetworkFaultsShowTheConnectMessageAndTheNextCheckInWorks)
{
    // KORDA on a server of its own, so that it can go while the other two answer.
    TdsServerProcess korda;
    ASSERT_TRUE(korda.start(catalogs())) << korda.error().toStdString();
    // One deadline of 3 s for the three connections, not 3 s for each login and its retry.
    constexpr int ConnectTimeout = 3;
    const QString timeout = QStringLiteral(";Connect Timeout=%1;Command Timeout=1").arg(ConnectTimeout);
    QString password;
    const auto point = [&] {
        qputenv("QUORVET_CONNECTION_SQLSERVER",
                (m_server.connectionString(QStringLiteral("Pelvrin"), password) + timeout).toUtf8());
        qputenv("QUORVET_CONNECTION_ZELMAR",
                (m_server.connectionString(QStringLiteral("Pelvrin"), password) + timeout).toUtf8());
        qputenv("QUORVET_CONNECTION_KORDA",
                (korda.connectionString(QStringLiteral("KORDA"), password) + timeout).toUtf8());
    };
    const quint16 port = m_server.port();
    const quint16 kordaPort = korda.port();
    const struct
    {
        const char *name;
        std::function<void()> fault;
        std::function<void()> repair;
        bool zelmarAnswers;
        bool kordaAnswers;
    } cases[] = {
        {"server not listening", [&] { m_server.stop(); },
         [&] { ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString(); }, false, true},
        // Every reply comes later than the timeout given, the login's first.
        {"server stalls longer than the timeout",
         [&] {
             m_server.stop();
             ASSERT_TRUE(m_server.start(catalogs(), {QStringLiteral("--stall-ms"), QStringLiteral("3500")}, port))
                 << m_server.error().toStdString();
         },
         [&] {
             m_server.stop();
             ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString();
         },
         false, true},
        // Takes the bytes of every request and answers none, not even the driver's cancel.
        {"server hung", [&] { m_server.freeze(); }, [&] { m_server.thaw(); }, false, true},
        {"login refused",
         [&] {
             password = QStringLiteral("not-the-password");
             point();
         },
         [&] {
             password.clear();
             point();
         },
         false, false},
        {"one of the three servers gone", [&] { korda.stop(); },
         [&] { ASSERT_TRUE(korda.start(catalogs(), {}, kordaPort)) << korda.error().toStdString(); }, true, false},
    };
    point();
    countServerDialogs();
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    for (int i = 0; i < 2; ++i) { // sessions of the answering server, kept by the pool
        w->ui().FXNo_TAP->setText(QStringLiteral("424242"));
        w->VerifyCode();
    }
    w->Timer1_Timer(); // the pause ends
    const QStringList numbers{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003"),
                              QStringLiteral("1006"), QStringLiteral("1004")};
    int i = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString number = numbers[i++];
        const int shownBefore = boxes.boxes().size();
        const int dialogsBefore = m_serverDialogs;
        c.fault();
        QElapsedTimer clock;
        clock.start();
        typeAndEnter(*w, number);
        // One connect deadline for the three connections and their second attempts.
        EXPECT_LT(clock.elapsed(), ConnectTimeout * 1000 + 5000);
        ASSERT_EQ(boxes.boxes().size(), shownBefore + 1);
        EXPECT_EQ(boxes.boxes().last().prompt, ConnectFailedText);
        EXPECT_EQ(w->ui().Label_ZELMAR->text(),
                  c.zelmarAnswers ? QStringLiteral("Conectado ao servidor do ZELMAR")
                                  : QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
        EXPECT_EQ(w->ui().Label_KORDA->text(),
                  c.kordaAnswers ? QStringLiteral("Conectado ao servidor da KORDA")
                                 : QStringLiteral("ERRO: não foi possivel ligar ao servidor da KORDA"));
        EXPECT_TRUE(verdict(*w).isEmpty());
        EXPECT_TRUE(checkedIn(number).isNull());
        EXPECT_GT(m_serverDialogs, dialogsBefore);
        ASSERT_TRUE(waitForUnlock(*w));

        c.repair();
        const int dialogsAfterFault = m_serverDialogs;
        typeAndEnter(*w, number);
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
        ASSERT_TRUE(waitForUnlock(*w));
        EXPECT_TRUE(checkedIn(number).isDateValue());
        EXPECT_EQ(boxes.boxes().size(), shownBefore + 1);
        EXPECT_EQ(m_serverDialogs, dialogsAfterFault); // the repaired servers answer at once
    }
    EXPECT_GE(m_server.refusedLogins() + korda.refusedLogins(), 3);
}

// A server that takes the login and then answers no statement: the connect test's probe is
// cancelled within the connect deadline, the check-in ends with the connect message and writes
// nothing, and once the server answers again the next check-in is accepted at the first try.
TEST_F(DeskOverTds, AServerStalledAfterLoginIsFoundByTheConnectTest)
{
    const quint16 port = m_server.port();
    m_server.stop();
    // Far longer than any test runs: without a command time-out the desk would wait for it.
    ASSERT_TRUE(m_server.start(catalogs(), {QStringLiteral("--stall-after-login"), QStringLiteral("3600000")}, port))
        << m_server.error().toStdString();
    pointAtServer(QStringLiteral(";Connect Timeout=2;Command Timeout=1"));
    countServerDialogs();
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailedText);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isNull());
    w->Timer1_Timer(); // the pause ends at once

    m_server.stop();
    ASSERT_TRUE(m_server.start(catalogs(), {}, port)) << m_server.error().toStdString();
    const int dialogs = m_serverDialogs;
    typeAndEnter(*w, QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_EQ(m_serverDialogs, dialogs);
    EXPECT_EQ(boxes.boxes().size(), 1);
}

// Check-ins cut by the link at varying points, retried with the same number until the guest is
// in: each invitation is accepted once, never shown as unknown, never written twice. When the
// server runs the entry and the link drops before its reply, the desk reads the row again on a
// new login and finds its own entry: accepted at once, and the undo possible.
TEST_F(DeskOverTds, ConnectionsDroppedMidCheckInLoseNoEntryAndWriteNoneTwice)
{
    constexpr int Count = 8;
    exec(checkinDb(), QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                     "INSERT INTO tbConvites (convite_no, nome, call_in, base_dados) "
                                     "SELECT 'D' || i, 'Convidado ' || i, '', 1 FROM n")
                          .arg(Count));
    const struct
    {
        const char *name;
        QStringList fault;
        bool acknowledgementLost; // every entry is written and its reply lost
    } cases[] = {
        {"each connection closed at its 9th packet", {QStringLiteral("--drop-after"), QStringLiteral("9")}, false},
        {"the link lost after the entry ran",
         {QStringLiteral("--drop-after-batch"), QStringLiteral("SET checked_in = GETDATE()")},
         true},
    };
    TestSupport::MsgBoxRecorder boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = NULL WHERE convite_no LIKE 'D%'"));
        m_server.stop();
        ASSERT_TRUE(m_server.start(catalogs(), c.fault)) << m_server.error().toStdString();
        pointAtServer();
        SessionPool::clear();
        auto w = desk();
        int failed = 0;
        for (int i = 1; i <= Count; ++i) {
            const QString number = QStringLiteral("D%1").arg(i);
            SCOPED_TRACE(number.toStdString());
            QStringList shown;
            for (int attempt = 0; attempt < 6; ++attempt) {
                w->ui().FXNo_TAP->setText(number);
                w->VerifyCode();
                shown << verdict(*w);
                if (checkedIn(number).isDateValue()
                    && (shown.last() == QStringLiteral("Convite OK!")
                        || shown.last().startsWith(QStringLiteral("Convite expirado"))))
                    break;
                ++failed;
            }
            const QString all = shown.join(QStringLiteral(" | "));
            const Value written = checkedIn(number);
            ASSERT_TRUE(written.isDateValue()) << all.toStdString();
            const QString refusal = QStringLiteral("Convite expirado. Já entrou às ")
                                    + written.toDateTime().toString(QStringLiteral("HH:mm"));
            EXPECT_LE(shown.count(QStringLiteral("Convite OK!")), 1) << all.toStdString();
            EXPECT_TRUE(shown.last() == QStringLiteral("Convite OK!") || shown.last() == refusal) << all.toStdString();
            EXPECT_FALSE(all.contains(QStringLiteral("O convite não existe..."))) << all.toStdString();
            if (c.acknowledgementLost) {
                ASSERT_EQ(shown, QStringList{QStringLiteral("Convite OK!")});
                if (i == Count) { // this desk's entry, which Esc offers to undo
                    const int offered = boxes.boxes().size();
                    boxes.answerNext(MsgBox::No);
                    w->FXNo_TAP_KeyDown(VbKeys::KeyEscape, 0);
                    EXPECT_EQ(boxes.boxes().size(), offered + 1);
                }
            }
        }
        if (!c.acknowledgementLost) {
            EXPECT_GT(failed, 0); // the faults did reach the check-ins
        }
    }
}

} // namespace

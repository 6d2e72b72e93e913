// The desk with its check-in database gone: the offer to go on from the local copy, the
// verdicts decided from it, the undo of an offline entry, the way back online and the delivery
// (once, on the embedded store and through TDS), the guest search reading the copy, two desks
// admitting the same guest offline, and the cases where nothing is offered and the desk behaves
// as it always has.
#include "tests/app/deskfixture.h"

#include "app/offlinedoor.h"
#include "data/deskjournal.h"
#include "data/replicarefresher.h"
#include "data/scanjournal.h"
#include "forms/frmprocurarconvidado.h"
#include "platform/msgbox.h"
#include "tests/support/tdsserverprocess.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <functional>

namespace {

const QString ConnectFailed = QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f.");

class DeskOffline : public DeskFixture
{
protected:
    void SetUp() override
    {
        DeskFixture::SetUp();
        qunsetenv("QUORVET_OFFLINE");
        useFilesOf("desk");
    }
    void TearDown() override
    {
        for (const char *name : {"QUORVET_JOURNAL", "QUORVET_REPLICA", "QUORVET_OFFLINE", "QUORVET_OFFLINE_MAX_AGE"})
            qunsetenv(name);
        DeskFixture::TearDown();
    }

    // The journal and the copy of the next desk made (each desk keeps its own).
    void useFilesOf(const char *desk)
    {
        const QString folder = m_dir.filePath(QString::fromLatin1(desk));
        qputenv("QUORVET_JOURNAL", (folder + QStringLiteral("/journal.db")).toUtf8());
        qputenv("QUORVET_REPLICA", (folder + QStringLiteral("/replica.db")).toUtf8());
    }

    static bool waitForCopy(frmMain &w)
    {
        return QTest::qWaitFor([&] { return w.replicaRefresher()->copiedAt().has_value(); }, 30000);
    }

    static OfflineDoor &door(frmMain &w) { return *w.offlineDoor(); }

    // The check-in database moved away, and back.
    void moveCheckinAway() { ASSERT_TRUE(QFile::rename(checkinDb(), m_dir.filePath(QStringLiteral("checkin.away")))); }
    void moveCheckinBack() { ASSERT_TRUE(QFile::rename(m_dir.filePath(QStringLiteral("checkin.away")), checkinDb())); }

    static bool waitForDelivery(frmMain &w)
    {
        door(w).retryNow();
        return QTest::qWaitFor(
            [&] {
                if (door(w).isOffline())
                    door(w).retryNow();
                return !door(w).isOffline() && !door(w).delivering() && door(w).pendingCount() == 0;
            },
            30000);
    }

    static QString copyTime(frmMain &w)
    {
        return w.replicaRefresher()->copiedAt()->toLocalTime().toString(QStringLiteral("HH:mm"));
    }

    // The entry time a journal row of verdict holds, for invitation conviteNo as typed.
    QString journalled(const char *desk, const QString &verdict, const QString &typed) const
    {
        const auto rows = DeskJournal::read(m_dir.filePath(QString::fromLatin1(desk) + QStringLiteral("/journal.db")),
                                            QString(), nullptr);
        for (const JournalEntry &e : rows.value_or(std::vector<JournalEntry>()))
            if (e.verdict == verdict && e.entry == typed)
                return e.entryTime;
        return QString();
    }
};

TEST_F(DeskOffline, VerdictsFromTheCopyAnUndoAndTheDeliveryOnceTheServerIsBack)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    ASSERT_TRUE(waitForCopy(*w));
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(waitForUnlock(*w));

    moveCheckinAway();
    boxes.answerNext(MsgBox::Yes);
    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailed
                                           + QStringLiteral("\n\nContinuar sem ligação ao servidor, com a "
                                                            "cópia local das ")
                                           + copyTime(*w) + QLatin1Char('?'));
    EXPECT_EQ(boxes.boxes()[0].style, MsgBox::YesNo | MsgBox::Question | MsgBox::DefaultButton2);
    ASSERT_TRUE(door(*w).isOffline());
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (sem ligação)"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    EXPECT_TRUE(door(*w).banner()->isVisible());
    EXPECT_EQ(door(*w).banner()->text(),
              QStringLiteral("SEM LIGAÇÃO — cópia das ") + copyTime(*w) + QStringLiteral(" — 1 entradas por enviar"));
    EXPECT_TRUE(w->ui().entryCountLabel->text().contains(QStringLiteral("(cópia local)")));
    ASSERT_TRUE(waitForUnlock(*w));

    const QString ownTime = journalled("desk", QStringLiteral("accepted_offline"), QStringLiteral("1002")).mid(11, 5);
    const struct
    {
        const char *number;
        QString shown;
    } cases[] = {
        {"1007", QStringLiteral("Convite expirado. Já entrou às 09:05 (sem ligação)")},
        {"1002", QStringLiteral("Convite expirado. Já entrou às ") + ownTime + QStringLiteral(" (sem ligação)")},
        {"424242", QStringLiteral("O convite não existe... (sem ligação)")},
        {"1005", QStringLiteral("Convite OK! (CALL: X1) (sem ligação)")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        typeAndEnter(*w, QString::fromLatin1(c.number));
        EXPECT_EQ(verdict(*w), c.shown);
        ASSERT_TRUE(waitForUnlock(*w));
    }
    EXPECT_EQ(door(*w).pendingCount(), 2);

    // Esc takes back the offline entry on screen (1005), before it is delivered.
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[1].title, QStringLiteral("Anular última entrada"));
    EXPECT_EQ(door(*w).pendingCount(), 1);
    EXPECT_TRUE(verdict(*w).isEmpty());

    moveCheckinBack();
    ASSERT_TRUE(waitForDelivery(*w));
    EXPECT_TRUE(door(*w).banner()->text().startsWith(QStringLiteral("LIGAÇÃO RESTABELECIDA")));
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
    EXPECT_TRUE(checkedIn(QStringLiteral("1005")).isNull());
    EXPECT_FALSE(journalled("desk", QStringLiteral("delivered"), QStringLiteral("1002")).isEmpty());
    EXPECT_TRUE(door(*w).conflicts().empty());
    EXPECT_EQ(boxes.boxes().size(), 2);
}

// Offline, the guest search reads the copy by the online rules (case and accents do not count)
// and says so; the guest chosen there is let in from the copy like a scan, and a search after
// that shows this desk's entry, which the copy does not hold yet.
TEST_F(DeskOffline, TheGuestSearchReadsTheCopyWhileOfflineAndSaysSo)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    ASSERT_TRUE(waitForCopy(*w));
    moveCheckinAway();
    QTest::keyClick(w.get(), Qt::Key_F6);
    ASSERT_TRUE(door(*w).isOffline());

    const QString typed = QStringLiteral("SOFIA GONCALVES");
    // F3 the first time, the toolbar button the second.
    const auto searchFor = [&](bool byButton) -> QTreeWidgetItem * {
        if (byButton)
            w->ui().searchButton->trigger();
        else
            QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_F3);
        frmProcurarConvidado *search = nullptr;
        for (auto *window : w->findChildren<frmProcurarConvidado *>())
            if (window->isVisible())
                search = window; // not the one closed before, deleted later
        if (!search || !QTest::qWaitForWindowExposed(search))
            return nullptr;
        search->searchBox()->setFocus();
        QTest::keyClicks(search->searchBox(), typed);
        if (!QTest::qWaitFor([&] { return search->listedText() == typed; }, 10000)) {
            ADD_FAILURE() << search->statusLabel()->text().toStdString();
            return nullptr;
        }
        EXPECT_EQ(search->statusLabel()->text(), QStringLiteral("(cópia local)"));
        return search->guestList()->topLevelItemCount() == 1 ? search->guestList()->topLevelItem(0) : nullptr;
    };
    QTreeWidgetItem *found = searchFor(false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(1), QStringLiteral("Sofia Isabel Rebelo Gonçalves"));
    EXPECT_EQ(found->text(3), QStringLiteral(" "));
    QTest::keyClick(w->findChild<frmProcurarConvidado *>()->searchBox(), Qt::Key_Return);
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (sem ligação)"));
    EXPECT_EQ(door(*w).pendingCount(), 1);
    ASSERT_TRUE(waitForUnlock(*w));

    found = searchFor(true);
    ASSERT_NE(found, nullptr);
    const QDateTime shown = QDateTime::fromString(found->text(3), QStringLiteral("dd-MM-yyyy HH:mm:ss"));
    const QDateTime own = QDateTime::fromString(
        journalled("desk", QStringLiteral("accepted_offline"), QStringLiteral("1010")), Qt::ISODateWithMs);
    ASSERT_TRUE(shown.isValid()) << found->text(3).toStdString();
    EXPECT_LE(std::abs(shown.msecsTo(own)), 1000);
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

// A desk closed while its offline entries wait sends them at its next start, without a scan.
TEST_F(DeskOffline, ADeskRestartedDeliversTheEntriesItLeft)
{
    {
        ScanJournal left(qEnvironmentVariable("QUORVET_JOURNAL"));
        OfflineEntry entry;
        entry.conviteId = int32_t(scalar(checkinDb(), QStringLiteral("SELECT convite_id FROM tbConvites "
                                                                     "WHERE convite_no = '1006'"))
                                      .toLong());
        entry.typed = QStringLiteral("1006");
        entry.deskTime = OfflineEntry::deskNow();
        entry.serverTime = entry.deskTime;
        ASSERT_TRUE(left.recordOffline(entry));
    }
    auto w = desk();
    EXPECT_TRUE(QTest::qWaitFor([&] { return checkedIn(QStringLiteral("1006")).isDateValue(); }, 15000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return door(*w).pendingCount() == 0; }, 5000));
    EXPECT_FALSE(door(*w).isOffline());
}

// Two desks offline let the same guest in: the server keeps the first delivered, the second
// desk shows the conflict until its operator has seen the list.
TEST_F(DeskOffline, TwoDesksAdmittingTheSameGuestLeaveOneEntryAndOneConflictShown)
{
    qputenv("QUORVET_OFFLINE", "auto");
    TestSupport::MsgBoxRecorder boxes;
    useFilesOf("a");
    auto a = desk();
    useFilesOf("b");
    auto b = desk();
    ASSERT_TRUE(waitForCopy(*a));
    ASSERT_TRUE(waitForCopy(*b));

    moveCheckinAway();
    for (frmMain *w : {a.get(), b.get()}) {
        typeAndEnter(*w, QStringLiteral("1003"));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (sem ligação)"));
    }
    EXPECT_TRUE(boxes.boxes().isEmpty()); // auto: offline without asking
    moveCheckinBack();
    ASSERT_TRUE(waitForDelivery(*a));
    ASSERT_TRUE(waitForDelivery(*b));

    const QString first = journalled("a", QStringLiteral("accepted_offline"), QStringLiteral("1003"));
    EXPECT_EQ(serverInstant(checkedIn(QStringLiteral("1003"))).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")),
              first);
    EXPECT_TRUE(door(*a).conflicts().empty());
    ASSERT_EQ(door(*b).conflicts().size(), size_t(1));
    EXPECT_TRUE(door(*b).conflictButton()->isVisible());
    EXPECT_EQ(door(*b).conflictButton()->text(), QStringLiteral("1 conflitos"));

    int listed = -1;
    QTimer::singleShot(0, [&] {
        QWidget *list = QApplication::activeModalWidget();
        ASSERT_NE(list, nullptr);
        const auto rows = list->findChild<QTreeWidget *>(QStringLiteral("conflictList"));
        listed = rows->topLevelItemCount();
        EXPECT_EQ(rows->topLevelItem(0)->text(0), QStringLiteral("1003"));
        list->findChild<QPushButton *>(QStringLiteral("acknowledgeButton"))->click();
    });
    door(*b).conflictButton()->click();
    EXPECT_EQ(listed, 1);
    EXPECT_FALSE(door(*b).conflictButton()->isVisible());
}

// Without a copy young enough, or with the copy switched off, the connect message is today's.
TEST_F(DeskOffline, NoOfferWithACopyPastItsAgeOrWithTheCopySwitchedOff)
{
    const struct
    {
        const char *name;
        const char *value;
    } cases[] = {{"QUORVET_OFFLINE_MAX_AGE", "0"}, {"QUORVET_OFFLINE", "off"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        qputenv(c.name, c.value);
        TestSupport::MsgBoxRecorder boxes;
        auto w = desk();
        if (w->replicaRefresher()) {
            ASSERT_TRUE(waitForCopy(*w));
            QTest::qWait(1100); // a second old: past an age of 0
        }
        moveCheckinAway();
        typeAndEnter(*w, QStringLiteral("1002"));
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailed);
        EXPECT_EQ(boxes.boxes()[0].style, MsgBox::OKOnly | MsgBox::Information);
        EXPECT_TRUE(verdict(*w).isEmpty());
        EXPECT_TRUE(!w->offlineDoor() || !w->offlineDoor()->isOffline());
        moveCheckinBack();
        qunsetenv(c.name);
    }
}

// Through FreeTDS: the test server stopped, or frozen (SIGSTOP), the desk offline, the server
// back on its port, and the entry delivered once; F6 switches by hand both ways meanwhile.
TEST_F(DeskOffline, OverTdsAnEntryDecidedWhileTheServerIsDownOrFrozenIsDeliveredOnceItIsBack)
{
    TdsServerProcess server;
    const QList<TdsServerProcess::Catalog> catalogs{{QStringLiteral("Pelvrin"), checkinDb(), {}},
                                                    {QStringLiteral("ZELMAR"), checkinDb(), {}},
                                                    {QStringLiteral("KORDA"), kordaDb(), {checkinDb()}}};
    ASSERT_TRUE(server.start(catalogs)) << server.error().toStdString();
    const QString keys = QStringLiteral(";Connect Timeout=2");
    qputenv("QUORVET_CONNECTION_SQLSERVER", (server.connectionString(QStringLiteral("Pelvrin")) + keys).toUtf8());
    qputenv("QUORVET_CONNECTION_ZELMAR", (server.connectionString(QStringLiteral("ZELMAR")) + keys).toUtf8());
    qputenv("QUORVET_CONNECTION_KORDA", (server.connectionString(QStringLiteral("KORDA")) + keys).toUtf8());
    qputenv("QUORVET_OFFLINE", "auto");
    TestSupport::MsgBoxRecorder boxes;
    const quint16 port = server.port();
    const struct
    {
        const char *fault;
        const char *number;
        std::function<void()> fail, recover;
    } cases[] = {
        {"stopped", "1004", [&] { server.stop(); },
         [&] { ASSERT_TRUE(server.start(catalogs, {}, port)) << server.error().toStdString(); }},
        {"frozen", "1002", [&] { server.freeze(); }, [&] { server.thaw(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        useFilesOf(c.fault);
        auto w = desk();
        ASSERT_TRUE(waitForCopy(*w));
        c.fail();
        typeAndEnter(*w, QString::fromLatin1(c.number));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (sem ligação)"));
        ASSERT_TRUE(door(*w).isOffline());
        QTest::keyClick(w.get(), Qt::Key_F6);
        EXPECT_FALSE(door(*w).isOffline());
        QTest::keyClick(w.get(), Qt::Key_F6);
        EXPECT_TRUE(door(*w).isOffline());
        EXPECT_EQ(door(*w).pendingCount(), 1);

        c.recover();
        ASSERT_TRUE(waitForDelivery(*w));
        EXPECT_EQ(
            serverInstant(checkedIn(QString::fromLatin1(c.number))).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")),
            journalled(c.fault, QStringLiteral("accepted_offline"), QString::fromLatin1(c.number)));
    }
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

} // namespace

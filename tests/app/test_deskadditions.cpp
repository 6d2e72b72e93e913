// The desk's additions on the real main window and demo databases: the guest search checks a
// guest in like a scan, every scan and undo goes to the journal (also when the desk is killed
// right after a verdict) and the header shows the live entry count.
#include "tests/app/deskfixture.h"

#include "data/arrivalreader.h"
#include "data/deskjournal.h"
#include "data/entrycounter.h"
#include "data/scanjournal.h"
#include "forms/arrivalchart.h"
#include "forms/frmestatisticas.h"
#include "forms/frmprocurarconvidado.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

class DeskAdditions : public DeskFixture
{
protected:
    void SetUp() override
    {
        DeskFixture::SetUp();
        m_journal = m_dir.filePath(QStringLiteral("state/journal.db"));
        qputenv("QUORVET_JOURNAL", m_journal.toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("QUORVET_JOURNAL");
        DeskFixture::TearDown();
    }

    std::vector<JournalEntry> journal() const
    {
        return DeskJournal::read(m_journal, QString(), nullptr).value_or(std::vector<JournalEntry>());
    }

    // Ends the pause after a verdict at once, as its tick would.
    static void endPause(frmMain &w) { w.Timer1_Timer(); }

    // The number of invitations entered, as the database has it.
    int64_t entered() const
    {
        return int64_t(
            scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NOT NULL"))
                .toDouble());
    }

    QString m_journal;
};

TEST_F(DeskAdditions, AGuestFoundByNameIsCheckedInLikeAScan)
{
    auto w = desk();
    EXPECT_EQ(w->ui().searchButton->text(), QStringLiteral("Procurar Convidado"));
    // Beside the VIP button, in the same row.
    EXPECT_EQ(w->ui().searchToolBar->y(), w->ui().Toolbar1->y());
    EXPECT_GT(w->ui().searchToolBar->x(), w->ui().Toolbar1->geometry().right());

    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_F3);
    auto *search = w->findChild<frmProcurarConvidado *>();
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(search));
    EXPECT_TRUE(w->ui().FXNo_TAP->text().isEmpty());
    search->searchBox()->setFocus();
    QTest::keyClicks(search->searchBox(), QStringLiteral("ana catarina"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return search->listedText() == QStringLiteral("ana catarina"); }, 10000));
    ASSERT_EQ(search->guestList()->topLevelItemCount(), 1);
    QTest::keyClick(search->searchBox(), Qt::Key_Return);

    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    ASSERT_EQ(journal().size(), 1u);
    EXPECT_EQ(journal()[0].verdict, QStringLiteral("accepted"));
}

// The journal and the count on both stores: the entry time journalled is the one the server holds.
using DeskAdditionsOnStores = OnBothStores<DeskAdditions>;

TEST_P(DeskAdditionsOnStores, EveryScanAndUndoIsJournalledAndTheCountFollows)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    const int64_t before = entered();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ui().entryCountLabel->text() == EntryCounter::text(before); }, 10000));

    const struct
    {
        const char *typed;
        const char *verdict;
        bool withId;
    } scans[] = {
        {"1001", "accepted", true},
        {"1001", "used", true},
        {" 424242", "not_found", false},
        {"1013", "error", true},
    };
    for (const auto &s : scans) {
        endPause(*w);
        enterText(*w, QLatin1String(s.typed));
    }
    // A database out of reach right after a check-in that found its invitation.
    qputenv("QUORVET_CONNECTION_KORDA", QByteArrayLiteral("Provider=SQLite;Data Source=/nonexistent/korda.db"));
    endPause(*w);
    enterText(*w, QStringLiteral("1001"));
    pointAtStore();
    endPause(*w);
    enterText(*w, QStringLiteral("1002"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return w->ui().entryCountLabel->text() == EntryCounter::text(before + 2); }, 10000));
    endPause(*w);
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return w->ui().entryCountLabel->text() == EntryCounter::text(before + 1); }, 10000));

    std::vector<JournalEntry> written = journal();
    ASSERT_EQ(written.size(), std::size(scans) + 3);
    EXPECT_EQ(written[4].verdict, QStringLiteral("unreachable"));
    EXPECT_FALSE(written[4].conviteId.has_value());
    written.erase(written.begin() + 4);
    const QString entryTime = ScanJournal::entryTimeText(checkedIn(QStringLiteral("1001")));
    ASSERT_FALSE(entryTime.isEmpty());
    for (size_t i = 0; i < std::size(scans); ++i) {
        EXPECT_EQ(written[i].entry, QLatin1String(scans[i].typed)) << i;
        EXPECT_EQ(written[i].verdict, QLatin1String(scans[i].verdict)) << i;
        EXPECT_EQ(written[i].conviteId.has_value(), scans[i].withId) << i;
        EXPECT_EQ(written[i].desk, written[0].desk);
    }
    EXPECT_EQ(written[0].entryTime, entryTime); // written
    EXPECT_EQ(written[1].entryTime, entryTime); // found
    EXPECT_EQ(written[5].verdict, QStringLiteral("undone"));
    EXPECT_EQ(written[5].conviteId, written[4].conviteId);
    EXPECT_EQ(written[5].entryTime, written[4].entryTime);
    EXPECT_FALSE(written[4].entryTime.isEmpty());
}

TEST_F(DeskAdditions, LookAlikeEntriesFindTheNumberTheyShowAndAreJournalledAsTyped)
{
    auto w = desk();
    const struct
    {
        QString typed;
        const char *shown;
        const char *verdict;
    } scans[] = {
        {QStringLiteral("１００１"), "Convite OK!", "accepted"},            // full-width digits
        {QStringLiteral("\u200F1002"), "Convite OK!", "accepted"},          // right-to-left mark first
        {QStringLiteral("\uFEFF1\u200B001 "), "Convite expirado.", "used"}, // zero-width characters inside
    };
    for (const auto &s : scans) {
        endPause(*w);
        enterText(*w, s.typed);
        EXPECT_TRUE(verdict(*w).startsWith(QLatin1String(s.shown))) << qPrintable(verdict(*w));
    }
    const std::vector<JournalEntry> written = journal();
    ASSERT_EQ(written.size(), std::size(scans));
    for (size_t i = 0; i < std::size(scans); ++i) {
        EXPECT_EQ(written[i].entry, scans[i].typed) << i;
        EXPECT_EQ(written[i].verdict, QLatin1String(scans[i].verdict)) << i;
    }
    EXPECT_FALSE(checkedIn(QStringLiteral("1002")).isNull());
}

// The pixels of the chart in the colour of the bars that are not in the future.
int barPixels(frmEstatisticas &window)
{
    const QImage image = window.chart()->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == ArrivalChart::pastColour();
    return n;
}

TEST_F(DeskAdditions, F4ShowsTheEntriesOfTheDayAsBarsThatFollowTheDeskAndExport)
{
    // Three entries of the last 50 minutes only; the window is opened at least 50 minutes into the day.
    if (QTime::currentTime() < QTime(0, 55))
        GTEST_SKIP() << "the first hour of the day";
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = NULL"));
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = DATEADD(MINUTE, -50, GETDATE()) "
                                     "WHERE convite_no IN ('1002', '1003')"));
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = DATEADD(MINUTE, -2, GETDATE()) "
                                     "WHERE convite_no = '1004'"));
    auto w = desk();
    EXPECT_EQ(w->ui().statisticsButton->text(), QStringLiteral("Estatísticas"));
    EXPECT_EQ(w->ui().statisticsToolBar->y(), w->ui().searchToolBar->y());
    EXPECT_GT(w->ui().statisticsToolBar->x(), w->ui().searchToolBar->geometry().right());

    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_F4);
    frmEstatisticas *stats = w->statisticsWindow();
    ASSERT_NE(stats, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(stats));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats->picture().has_value(); }, 10000));
    EXPECT_EQ(stats->figureText(QStringLiteral("Entradas")), QStringLiteral("3"));
    const size_t quarters = stats->picture()->buckets.size();
    EXPECT_GE(quarters, 4u);
    const int barsAtQuarters = barPixels(*stats);
    EXPECT_GT(barsAtQuarters, 100);

    // A second F4 brings the same window forward.
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_F4);
    EXPECT_EQ(w->findChildren<frmEstatisticas *>().size(), 1);

    // Five-minute buckets: about three times as many, and thinner bars.
    stats->bucketChoice()->setCurrentIndex(stats->bucketChoice()->findData(5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return stats->picture()->minutes == 5; }, 10000));
    EXPECT_GE(stats->picture()->buckets.size(), 2 * quarters);
    EXPECT_EQ(stats->chart()->barCount(), int(stats->picture()->buckets.size()));
    EXPECT_LT(barPixels(*stats), barsAtQuarters);

    // This desk's own entry shows at once, well before the next tick.
    enterText(*w, QStringLiteral("1001"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return stats->figureText(QStringLiteral("Entradas")) == QStringLiteral("4"); },
                                ArrivalReader::IntervalMs / 2));

    // Exportar…: the file chosen in the dialog gets the picture, and its CSV the buckets.
    const QString png = m_dir.filePath(QStringLiteral("chegadas.png"));
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<QFileDialog *>(QApplication::activeModalWidget()); }));
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(png);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(stats->exportButton(), Qt::LeftButton);
    const QImage saved(png);
    EXPECT_EQ(saved.size(), stats->chart()->size());
    QFile csvFile(m_dir.filePath(QStringLiteral("chegadas.csv")));
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csvFile.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), int(stats->picture()->buckets.size()) + 1);
    EXPECT_EQ(lines[0], QStringLiteral("start,end,entries,running_total,future"));
    int64_t entries = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char(','));
        ASSERT_EQ(fields.size(), 5) << i;
        EXPECT_TRUE(QDateTime::fromString(fields[0], QStringLiteral("yyyy-MM-dd HH:mm")).isValid()) << i;
        entries += fields[2].toLongLong();
    }
    EXPECT_EQ(entries, 4);

    // A read that fails: its message, the picture kept with its time, one report.
    const int bars = stats->chart()->barCount();
    exec(checkinDb(), QStringLiteral("ALTER TABLE tbConvites RENAME TO tbConvitesAway"));
    stats->refreshNow();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return stats->statusLine()->text().startsWith(QStringLiteral("Não foi possível ler")); }, 5000));
    EXPECT_TRUE(stats->statusLine()->text().contains(QStringLiteral(" A imagem é das ")))
        << stats->statusLine()->text().toStdString();
    EXPECT_EQ(stats->chart()->barCount(), bars);
    EXPECT_EQ(TestSupport::errorReports().size(), 1);
    exec(checkinDb(), QStringLiteral("ALTER TABLE tbConvitesAway RENAME TO tbConvites"));

    stats->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(stats));
    QTest::keyClick(stats, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->statisticsWindow() == nullptr; }, 5000));
}

TEST_F(DeskAdditions, AJournalThatCannotBeWrittenChangesNoVerdictAndIsReportedOnce)
{
    QFile blocker(m_dir.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("QUORVET_JOURNAL", (blocker.fileName() + QStringLiteral("/journal.db")).toUtf8());
    auto w = desk();
    for (const char *number : {"1001", "1002"}) {
        endPause(*w);
        enterText(*w, QLatin1String(number));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!")) << number;
    }
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("ScanJournal"));
}

// The child half of the next test: a real desk in a process of its own, which checks 1001 in,
// says so once the verdict has been painted, and then waits to be killed.
TEST_F(DeskAdditions, ChildDeskChecksInAndWaits)
{
    if (qEnvironmentVariableIsEmpty("QUORVET_TEST_CHILD_SET"))
        GTEST_SKIP() << "run by KilledRightAfterAVerdictLosesNothing";
    pointAt(qEnvironmentVariable("QUORVET_TEST_CHILD_SET"));
    qputenv("QUORVET_JOURNAL", qgetenv("QUORVET_TEST_CHILD_JOURNAL"));
    auto w = desk();
    struct PaintWatch : QObject
    {
        bool painted = false;
        bool eventFilter(QObject *, QEvent *e) override
        {
            painted = painted || e->type() == QEvent::Paint;
            return false;
        }
    } watch;
    w->ui().FXMessage_OK->installEventFilter(&watch);
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.painted; }, 10000));
    std::printf("painted\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST_F(DeskAdditions, KilledRightAfterAVerdictLosesNothing)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVET_TEST_CHILD_SET"), m_set);
    env.insert(QStringLiteral("QUORVET_TEST_CHILD_JOURNAL"), m_journal);
    // The killed process cannot remove its temporary folders; they go with ours.
    env.insert(QStringLiteral("TMPDIR"), m_dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DeskAdditions.ChildDeskChecksInAndWaits")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    while (!out.contains("painted\n") && child.waitForReadyRead(30000))
        out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("painted\n")) << out.constData();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

    std::vector<JournalEntry> written = journal();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].entry, QStringLiteral("1001"));
    EXPECT_EQ(written[0].verdict, QStringLiteral("accepted"));
    EXPECT_EQ(written[0].entryTime, ScanJournal::entryTimeText(checkedIn(QStringLiteral("1001"))));
}

INSTANTIATE_TEST_SUITE_P(Stores, DeskAdditionsOnStores, deskStores(), deskStoreName);

} // namespace

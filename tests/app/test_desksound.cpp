// The verdicts' sounds, heard on a real audio server: a PulseAudio of the test's own with a
// null sink whose monitor is recorded (tests/support/privatepulse.h). Each verdict plays its
// own notes; muting gives silence and is remembered; no audio server, or one that goes away,
// leaves the check-in as it was.
#include "tests/app/deskfixture.h"
#include "tests/support/privatepulse.h"

#include "ui/verdictsound.h"
#include "ui/verdicttones.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSlider>
#include <QSoundEffect>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace {

constexpr int Audible = 500; // well above the null sink's silence (0), well below the notes

class DeskSound : public DeskFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<PrivatePulseServer>(TestSupport::processTempDir() + QStringLiteral("/pulse"));
        if (!s_server->start(&s_error))
            s_server.reset();
        else
            qputenv("PULSE_SERVER", s_server->address().toUtf8());
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        DeskFixture::SetUp();
        ASSERT_TRUE(s_server) << qPrintable(s_error);
        qunsetenv("QUORVET_SOUND");
    }
    void TearDown() override
    {
        qputenv("QUORVET_SOUND", "off");
        DeskFixture::TearDown();
    }

    // The desk with its five sounds loaded.
    static std::unique_ptr<frmMain> soundDesk()
    {
        auto w = desk();
        const auto effects = w->verdictSounds()->findChildren<QSoundEffect *>();
        EXPECT_EQ(effects.size(), int(VerdictTones::OutcomeCount));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return std::all_of(effects.begin(), effects.end(),
                                   [](QSoundEffect *e) { return e->status() == QSoundEffect::Ready; });
            },
            10000));
        return w;
    }

    // What the sink played while act ran and for the longest sound's time after it.
    static std::vector<int16_t> recordWhile(const std::function<void()> &act)
    {
        MonitorRecording recording(*s_server);
        EXPECT_TRUE(recording.waitUntilRecording());
        act();
        QTest::qWait(500);
        return recording.stop();
    }

    static int peak(const std::vector<int16_t> &samples)
    {
        int top = 0;
        for (int16_t s : samples)
            top = std::max(top, std::abs(int(s)));
        return top;
    }

    static inline std::unique_ptr<PrivatePulseServer> s_server;
    static inline QString s_error;
};

TEST_F(DeskSound, EachVerdictPlaysItsOwnNotes)
{
    auto w = soundDesk();
    TestSupport::MsgBoxRecorder boxes;
    const struct
    {
        VerdictTones::Outcome outcome;
        std::function<void()> act;
    } verdicts[] = {
        {VerdictTones::Accepted, [&] { typeAndEnter(*w, QStringLiteral("1001")); }},
        {VerdictTones::Refused, [&] { typeAndEnter(*w, QStringLiteral("1001")); }},
        {VerdictTones::NotFound, [&] { typeAndEnter(*w, QStringLiteral("424242")); }},
        {VerdictTones::Undone,
         [&] {
             boxes.answerNext(MsgBox::Yes);
             QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
         }},
        {VerdictTones::Error,
         [&] {
             qputenv("QUORVET_CONNECTION_KORDA", DemoEnvironment::kordaConnection(m_dir.filePath("missing")).toUtf8());
             typeAndEnter(*w, QStringLiteral("1002"));
         }},
    };
    for (const auto &v : verdicts) {
        SCOPED_TRACE(VerdictTones::name(v.outcome));
        w->Timer1_Timer();
        if (v.outcome == VerdictTones::Undone) {
            typeAndEnter(*w, QStringLiteral("1003")); // an entry of this desk's to undo
            w->Timer1_Timer();
        }
        const std::vector<int16_t> heard = recordWhile(v.act);
        const auto [first, last] = SoundAnalysis::audibleSpan(heard, Audible);
        ASSERT_GE(first, 0);
        const double ms = (last - first) * 1000.0 / PrivatePulseServer::SampleRate;
        EXPECT_NEAR(ms, VerdictTones::milliseconds(v.outcome), 25);
        EXPECT_LT(ms, 400);
        int64_t start = first;
        for (const VerdictTones::Note &note : VerdictTones::notes(v.outcome)) {
            const int64_t length = int64_t(note.milliseconds) * PrivatePulseServer::SampleRate / 1000;
            if (note.hertz > 0) {
                const double hz = SoundAnalysis::dominantHertz(heard, start + length / 4, start + length * 3 / 4,
                                                               PrivatePulseServer::SampleRate);
                EXPECT_NEAR(hz, note.hertz, note.hertz * 0.03) << "note at " << (start - first) << " samples";
            }
            start += length;
        }
    }
    EXPECT_EQ(boxes.boxes().size(), 2); // the undo's question and the unreachable server
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// A sound played again and again keeps coming whole (an effect's stream reused for every
// play fell later each time and was silent from about the fifth).
TEST_F(DeskSound, TheSameVerdictHeardSixTimesOverIsHeardEachTime)
{
    auto w = soundDesk();
    for (int i = 0; i < 6; ++i) {
        w->Timer1_Timer();
        const auto [first, last] = SoundAnalysis::audibleSpan(
            recordWhile([&] { typeAndEnter(*w, QStringLiteral("424242")); }), Audible);
        ASSERT_GE(first, 0) << "check-in " << i;
        EXPECT_NEAR((last - first) * 1000.0 / PrivatePulseServer::SampleRate,
                    VerdictTones::milliseconds(VerdictTones::NotFound), 25)
            << "check-in " << i;
    }
}

TEST_F(DeskSound, MutingGivesSilenceIsRememberedAndTheVolumeIsHeard)
{
    auto w = soundDesk();
    const int loud = peak(recordWhile([&] { typeAndEnter(*w, QStringLiteral("1001")); }));
    w->findChild<QSlider *>(QStringLiteral("SoundVolume"))->setValue(20);
    w->Timer1_Timer();
    const int soft = peak(recordWhile([&] { typeAndEnter(*w, QStringLiteral("1002")); }));
    EXPECT_GT(soft, Audible);
    EXPECT_LT(soft, loud / 2);

    QTest::keyClick(w.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_TRUE(w->verdictSounds()->muted());
    w->Timer1_Timer();
    const std::vector<int16_t> muted = recordWhile([&] { typeAndEnter(*w, QStringLiteral("1003")); });
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(SoundAnalysis::audibleSpan(muted, Audible).first, -1);

    // The next start of the desk finds the user's choice.
    const SoundSettings kept = SoundSettings::load();
    EXPECT_TRUE(kept.muted);
    EXPECT_EQ(kept.volume, 20);
    EXPECT_TRUE(VerdictSoundPlayer().muted());

    // QUORVET_SOUND=off silences the machine whatever the user chose.
    QTest::keyClick(w.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_FALSE(w->verdictSounds()->muted());
    qputenv("QUORVET_SOUND", "off");
    auto silent = desk();
    EXPECT_FALSE(silent->ui().soundButton->isEnabled());
    const std::vector<int16_t> off = recordWhile([&] { typeAndEnter(*silent, QStringLiteral("1004")); });
    EXPECT_EQ(SoundAnalysis::audibleSpan(off, Audible).first, -1);
}

// Without sound the desk works as with it. The check-ins run in a child process that has
// never met an audio server (the test's own PULSE_SERVER names no socket), or whose own
// server it stops after the first verdict.
class DeskSoundAbsent : public DeskFixture
{
protected:
    void runChild(const char *mode)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVET_TEST_SOUND_CHILD"), QLatin1String(mode));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=DeskSoundAbsent.ChildChecksIn")});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QByteArray out = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << out.constData();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test") && !out.contains("SKIPPED")) << out.constData();
    }
};

TEST_F(DeskSoundAbsent, ChildChecksIn)
{
    const QString mode = qEnvironmentVariable("QUORVET_TEST_SOUND_CHILD");
    if (mode.isEmpty())
        GTEST_SKIP() << "run by the tests below";
    qunsetenv("QUORVET_SOUND");
    std::unique_ptr<PrivatePulseServer> server;
    if (mode == QLatin1String("vanishing")) {
        server = std::make_unique<PrivatePulseServer>(m_dir.filePath("pulse"));
        QString error;
        ASSERT_TRUE(server->start(&error)) << qPrintable(error);
        qputenv("PULSE_SERVER", server->address().toUtf8());
    }
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    const struct
    {
        const char *number;
        QString verdict;
    } checkins[] = {{"1001", QStringLiteral("Convite OK!")},
                    {"424242", QStringLiteral("O convite não existe...")},
                    {"1002", QStringLiteral("Convite OK!")}};
    for (const auto &c : checkins) {
        typeAndEnter(*w, QLatin1String(c.number));
        EXPECT_EQ(verdict(*w), c.verdict) << c.number;
        QTest::qWait(300);
        if (server)
            server->stop();
        w->Timer1_Timer();
    }
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
    EXPECT_TRUE(boxes.boxes().isEmpty());
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("VerdictSoundPlayer"));
}

TEST_F(DeskSoundAbsent, NoAudioServerChangesNothingElse)
{
    runChild("none");
}

TEST_F(DeskSoundAbsent, AudioServerGoingAwayChangesNothingElse)
{
    runChild("vanishing");
}

} // namespace

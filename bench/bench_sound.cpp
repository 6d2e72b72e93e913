// The verdict sound's latency: from the Enter key event sent to the entry box to the first
// sample of the verdict's sound at the audio server, found in a recording of the null sink's
// monitor of a private PulseAudio (tests/support/privatepulse.h) and placed on the
// monotonic clock by the recording's block arrivals. Beside it the check-in's own latency
// (DeskDriver: Enter to the verdict painted) with the machine's sound off and on.
//   bench_sound --work DIR [--rounds N] [--markdown OUT.md]
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/deskdriver.h"
#include "bench/invitationsample.h"
#include "platform/processclock.h"
#include "tests/support/privatepulse.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "ui/verdictsound.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSoundEffect>
#include <QTest>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "bench_sound: %s\n", qPrintable(line));
}

// Notes the monotonic time of every Enter that reaches the entry box, before the desk sees it.
class EnterClock : public QObject
{
public:
    std::vector<double> enters;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return)
            enters.push_back(double(ProcessClock::monotonicNanoseconds()));
        return false;
    }
};

struct Phase
{
    std::vector<double> checkin; // ms, Enter to the verdict painted
    std::vector<double> sound;   // ms, Enter to the first sample at the server
    int silent = 0;              // check-ins after which no sound was found
};

// Checks in every number; between two, the longest sound's time passes.
Phase run(const std::vector<QString> &numbers, const PrivatePulseServer &server, bool sound)
{
    if (sound)
        qunsetenv("QUORVET_SOUND");
    else
        qputenv("QUORVET_SOUND", "off");
    frmMain window;
    window.setProcessTerminator([](const QString &) { return false; });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the desk's window is not shown");
    if (sound) {
        const auto effects = window.verdictSounds()->findChildren<QSoundEffect *>();
        if (!QTest::qWaitFor(
                [&] {
                    for (QSoundEffect *e : effects)
                        if (e->status() != QSoundEffect::Ready)
                            return false;
                    return true;
                },
                10000))
            throw std::runtime_error("the verdict sounds do not load");
    }
    DeskDriver driver(window);
    EnterClock clock;
    window.ui().FXNo_TAP->installEventFilter(&clock);

    Phase phase;
    for (const QString &number : numbers) {
        // A recording per check-in, so that no drift of one long recording's clock adds up.
        MonitorRecording recording(server);
        if (!recording.waitUntilRecording())
            throw std::runtime_error("the null sink's monitor records nothing");
        QTest::qWait(30);
        phase.checkin.push_back(driver.checkIn(number).milliseconds);
        QTest::qWait(450);
        const std::vector<int16_t> heard = recording.stop();
        if (!sound)
            continue;
        const double enter = clock.enters.back();
        const int64_t from = std::max<int64_t>(
            0, int64_t((enter - recording.sampleTimeNs(0)) * PrivatePulseServer::SampleRate / 1e9));
        const int64_t onset = SoundAnalysis::audibleSpan(
                                  std::vector<int16_t>(heard.begin() + std::min<int64_t>(from, int64_t(heard.size())),
                                                       heard.end()),
                                  500)
                                  .first;
        if (onset < 0)
            ++phase.silent;
        else
            phase.sound.push_back((recording.sampleTimeNs(from + onset) - enter) / 1e6);
    }
    return phase;
}

QString row(const QString &what, const QString &target, const std::vector<double> &samples)
{
    const BenchStats::Summary s = BenchStats::summarize(samples);
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
        .arg(what, target, QString::number(s.count), BenchStats::ms(s.median),
             BenchStats::ms(BenchStats::percentile(samples, 0.9)), BenchStats::ms(s.max));
}

} // namespace

int main(int argc, char **argv)
{
    QString work;
    int rounds = 40;
    QString markdown;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (option == QLatin1String("--work"))
            work = value;
        else if (option == QLatin1String("--rounds"))
            rounds = value.toInt();
        else if (option == QLatin1String("--markdown"))
            markdown = value;
    }
    if (work.isEmpty() || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_sound --work DIR [--rounds N] [--markdown OUT.md]\n");
        return 2;
    }
    QDir().mkpath(work);
    BenchEnvironment::prepareProcess(work + QStringLiteral("/scratch"));
    PrivatePulseServer server(work + QStringLiteral("/pulse"));
    QString error;
    if (!server.start(&error)) {
        say(error);
        return 1;
    }
    qputenv("PULSE_SERVER", server.address().toUtf8());
    QApplication app(argc, argv);
    try {
        DemoOptions options;
        options.directory = work + QStringLiteral("/set");
        options.invitations = 20 * rounds;
        options.members = 20;
        options.force = true; // the set of an earlier run is replaced
        const QString set = DemoDatabaseBuilder(options).build();
        BenchEnvironment::useDemoSet(set);
        const auto sample = InvitationSample::take(QDir(set).filePath(QStringLiteral("checkin.db")), rounds);
        // Half accepted, half not found, alternating; the first phase gets every other pair.
        std::vector<QString> off, on;
        for (int i = 0; i < rounds; ++i) {
            const QString number
                = (i % 2 == 0 ? sample[InvitationSample::Accepted] : sample[InvitationSample::NotFound]).value(i);
            (i % 4 < 2 ? off : on).push_back(number);
        }
        const Phase silent = run(off, server, false);
        const Phase heard = run(on, server, true);
        QString table = QStringLiteral(
            "| measure | target | n | median ms | p90 ms | max ms |\n|---|---|---|---|---|---|\n");
        table += row(QStringLiteral("Enter to the verdict's first sample at the audio server"), QStringLiteral("< 50"),
                     heard.sound);
        table += row(QStringLiteral("check-in, Enter to verdict painted, sound off"), QString(), silent.checkin);
        table += row(QStringLiteral("check-in, Enter to verdict painted, sound on"),
                     QStringLiteral("as with sound off"), heard.checkin);
        if (heard.silent > 0)
            table += QStringLiteral("\n%1 check-ins with sound on gave no sound.\n").arg(heard.silent);
        std::printf("%s", qPrintable(table));
        if (!markdown.isEmpty())
            BenchEnvironment::writeText(markdown, table);
    } catch (const std::exception &e) {
        say(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    return 0;
}

// Start-up: from starting the desk's process to its main window painted with the keyboard
// focus in the entry box, on the offscreen 1280 x 800 screen. The desk runs with
// --exit-when-ready and prints the CLOCK_MONOTONIC time at that moment; this launcher reads
// the same clock just before it starts the process, so the figure includes fork, exec,
// dynamic linking and Qt's start. The desk's own reading (from the kernel's start time of
// the process, to a clock tick) is shown beside it.
//   bench_startup --desk PATH --markdown OUT.md [--runs N]
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "platform/processclock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

struct Start
{
    double launcherMs;
    double deskMs;
};

Start startOnce(const QString &desk, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    const int64_t before = ProcessClock::monotonicNanoseconds();
    process.start(desk, {QStringLiteral("--exit-when-ready")});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        throw std::runtime_error("the desk did not report ready within 30 s");
    }
    const QList<QByteArray> words = process.readAllStandardOutput().trimmed().split(' ');
    if (process.exitCode() != 0 || words.size() != 4 || words.at(0) != "ready")
        throw std::runtime_error("unexpected output from the desk: " + process.readAllStandardError().toStdString());
    return Start{double(words.at(3).toLongLong() - before) / 1e6, words.at(1).toDouble()};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    // The desk inherits the offscreen screen and the scratch folders.
    BenchEnvironment::prepareProcess(scratch.path());
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption deskOption(QStringLiteral("desk"), QStringLiteral("The quorvet executable."),
                                        QStringLiteral("path"));
    const QCommandLineOption markdownOption = BenchEnvironment::markdownOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Starts to time."), QStringLiteral("n"),
                                        QStringLiteral("30"));
    parser.addOptions({deskOption, markdownOption, runsOption});
    parser.process(app);
    if (!parser.isSet(deskOption) || !parser.isSet(markdownOption)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    try {
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString desk = parser.value(deskOption);
        startOnce(desk, environment); // warm-up: libraries and fonts into the page cache
        std::vector<double> launcher, own;
        const int runs = parser.value(runsOption).toInt();
        for (int i = 0; i < runs; ++i) {
            const Start s = startOnce(desk, environment);
            launcher.push_back(s.launcherMs);
            own.push_back(s.deskMs);
        }
        const BenchStats::Summary l = BenchStats::summarize(launcher);
        const BenchStats::Summary o = BenchStats::summarize(own);
        const QString table
            = QStringLiteral("| measured from | starts | median (ms) | p99 (ms) | min (ms) | max (ms) |\n"
                             "|---|---:|---:|---:|---:|---:|\n"
                             "| launcher, just before starting the process | %1 | %2 | %3 | %4 | %5 |\n"
                             "| the process's start time in /proc (10 ms ticks) | %6 | %7 | %8 | %9 | %10 |\n")
                  .arg(l.count)
                  .arg(BenchStats::ms(l.median), BenchStats::ms(l.p99), BenchStats::ms(l.min), BenchStats::ms(l.max))
                  .arg(o.count)
                  .arg(BenchStats::ms(o.median), BenchStats::ms(o.p99), BenchStats::ms(o.min), BenchStats::ms(o.max));
        BenchEnvironment::writeText(parser.value(markdownOption), table);
        BenchEnvironment::writeSummary(
            parser.value(markdownOption),
            QStringLiteral("| Start-up to the focused entry box | ≤ 300 ms | median %1 ms, max %2 ms |\n")
                .arg(BenchStats::ms(l.median), BenchStats::ms(l.max)));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_startup: %s\n", error.what());
        return 1;
    }
    return 0;
}

// The pause after a verdict: the desk's Timer1 (a VbTimer) armed with the check-in's interval of
// 2000 ms, from the arming to its tick, over 200 pauses; the deviation from 2000 ms is what an
// operator feels as a pause that is longer or shorter than the last. Beside it, for comparison,
// a plain QTimer of Qt's coarse kind armed at the same moment in the same event loop.
//   bench_pause --markdown OUT.md [--pauses N] [--interval MS]
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "ui/vbtimer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

struct Deviations
{
    std::vector<double> desk;
    std::vector<double> coarse;
};

QString row(const QString &name, const std::vector<double> &deviations)
{
    const BenchStats::Summary s = BenchStats::summarize(deviations);
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
        .arg(name)
        .arg(s.count)
        .arg(BenchStats::ms(s.median), BenchStats::ms(s.min), BenchStats::ms(s.max));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption markdownOption = BenchEnvironment::markdownOption();
    const QCommandLineOption pausesOption(QStringLiteral("pauses"), QStringLiteral("Pauses to time."),
                                          QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QStringLiteral("The pause in ms."),
                                            QStringLiteral("ms"), QStringLiteral("2000"));
    parser.addOptions({markdownOption, pausesOption, intervalOption});
    parser.process(app);
    if (!parser.isSet(markdownOption)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    try {
        const int pauses = parser.value(pausesOption).toInt();
        const int interval = parser.value(intervalOption).toInt();
        if (pauses < 1 || interval < 1)
            throw std::runtime_error("--pauses and --interval want positive numbers");
        Deviations deviations;
        VbTimer timer1;
        QTimer coarse;
        coarse.setTimerType(Qt::CoarseTimer);
        coarse.setSingleShot(true);
        for (int i = 0; i < pauses; ++i) {
            QEventLoop loop;
            int pending = 2;
            BenchStats::Clock::time_point armed;
            const auto tick = [&](std::vector<double> &into) {
                into.push_back(BenchStats::millisecondsBetween(armed, BenchStats::Clock::now()) - interval);
                if (--pending == 0)
                    loop.quit();
            };
            // As the desk's tick does: the first tick stops the timer.
            const auto deskTick = QObject::connect(&timer1, &VbTimer::Timer, [&] {
                timer1.setInterval(0);
                timer1.setEnabled(false);
                tick(deviations.desk);
            });
            const auto coarseTick = QObject::connect(&coarse, &QTimer::timeout, [&] { tick(deviations.coarse); });
            timer1.setEnabled(true);
            armed = BenchStats::Clock::now();
            timer1.setInterval(interval);
            coarse.start(interval);
            loop.exec();
            QObject::disconnect(deskTick);
            QObject::disconnect(coarseTick);
        }
        const QString table = QStringLiteral("| timer | pauses | median deviation (ms) | min deviation (ms) | "
                                             "max deviation (ms) |\n|---|---:|---:|---:|---:|\n")
                              + row(QStringLiteral("the desk's Timer1"), deviations.desk)
                              + row(QStringLiteral("a coarse QTimer, for comparison"), deviations.coarse);
        std::printf("%s", qPrintable(table));
        BenchEnvironment::writeText(parser.value(markdownOption), table);
        const BenchStats::Summary s = BenchStats::summarize(deviations.desk);
        BenchEnvironment::writeSummary(
            parser.value(markdownOption),
            QStringLiteral("| Pause after a verdict (%1 ms), deviation over %2 pauses | within ±5 ms | median %3 ms, "
                           "min %4 ms, max %5 ms |\n")
                .arg(interval)
                .arg(s.count)
                .arg(BenchStats::ms(s.median), BenchStats::ms(s.min), BenchStats::ms(s.max)));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_pause: %s\n", error.what());
        return 1;
    }
    return 0;
}

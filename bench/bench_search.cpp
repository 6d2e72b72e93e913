// Guest search and live entry count, on the 100,000- and 1,000,000-invitation demo sets.
// Search: the real "Procurar Convidado" window, text typed key by key; timed from the end of
// the 300 ms pause after the last key (the key time + 300 ms) to the list read for that text
// painted. While the searches run, a 5 ms timer on the user-interface thread records the
// longest gap between its ticks (what typing would feel as a freeze). Count: from asking the
// live counter to read again to its new text delivered.
//   bench_search --work DIR --markdown OUT.md [--runs N] SET...
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/invitationsample.h"
#include "data/connection.h"
#include "data/dataenvironment.h"
#include "data/entrycounter.h"
#include "forms/frmprocurarconvidado.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

// Texts an operator types: common and rare names, name parts with a blank, a company
// number's digits, and one that matches nothing (every row read).
const char *const Texts[] = {"ana", "silva", "maria lopes", "tom carv", "3101", "xyzzy"};

class PaintWatch : public QObject
{
public:
    QObject *target = nullptr;
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched == target)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// The longest gap between ticks of a 5 ms timer on this thread.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const auto now = BenchStats::Clock::now();
            longest = std::max(longest, BenchStats::millisecondsBetween(m_last, now));
            m_last = now;
        });
        m_last = BenchStats::Clock::now();
        m_timer.start();
    }
    double longest = 0;

private:
    QTimer m_timer;
    BenchStats::Clock::time_point m_last;
};

struct Search
{
    double milliseconds = 0;
    int rows = 0;
};

Search searchOnce(frmProcurarConvidado &window, PaintWatch &watch, const QString &text)
{
    window.searchBox()->clear();
    QCoreApplication::processEvents();
    watch.painted = false;
    QTest::keyClicks(window.searchBox(), text.chopped(1));
    // The pause starts with the last key.
    const auto pauseEnds = BenchStats::Clock::now() + std::chrono::milliseconds(frmProcurarConvidado::PauseMs);
    QTest::keyClicks(window.searchBox(), text.right(1));
    QElapsedTimer guard;
    guard.start();
    while (!(window.listedText() == text && watch.painted) && guard.elapsed() < 30000) {
        if (window.listedText() != text)
            watch.painted = false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    if (window.listedText() != text)
        throw std::runtime_error("the search window did not list its rows");
    return {BenchStats::millisecondsBetween(pauseEnds, BenchStats::Clock::now()),
            window.guestList()->topLevelItemCount()};
}

double countOnce(EntryCounter &counter)
{
    bool delivered = false;
    const QMetaObject::Connection c = QObject::connect(&counter, &EntryCounter::textChanged, [&] { delivered = true; });
    // A different text each time: the counter only tells a change.
    const auto start = BenchStats::Clock::now();
    counter.refreshNow();
    QElapsedTimer guard;
    guard.start();
    while (!delivered && guard.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QObject::disconnect(c);
    return BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Searches per text and set."),
                                        QStringLiteral("n"), QStringLiteral("7"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."), {runsOption}, false);
    if (!commandLine.parse(app))
        return commandLine.usage();
    const int runs = commandLine.parser.value(runsOption).toInt();

    try {
        const QLocale english(QLocale::English);
        QString summary;
        QString table = QStringLiteral("| invitations | typed | rows listed | searches | median (ms) | max (ms) |\n"
                                       "|---:|---|---:|---:|---:|---:|\n");
        QString countTable = QStringLiteral(
            "| invitations | reads | median (ms) | max (ms) |\n|---:|---:|---:|---:|\n");
        double longestStall = 0;
        for (const QString &set : commandLine.sets()) {
            const QString work = BenchEnvironment::workingCopy(
                set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName() + QStringLiteral("-search")));
            const int64_t invitations = InvitationSample::invitationCount(
                QDir(work).filePath(QStringLiteral("checkin.db")));
            BenchEnvironment::useDemoSet(work);

            std::vector<double> all;
            {
                frmProcurarConvidado window;
                window.show();
                PaintWatch watch;
                watch.target = window.guestList()->viewport();
                app.installEventFilter(&watch);
                searchOnce(window, watch, QStringLiteral("ana")); // warm-up: connection and page cache
                StallWatch stalls;
                for (const char *typed : Texts) {
                    const QString text = QString::fromUtf8(typed);
                    std::vector<double> samples;
                    Search last;
                    for (int i = 0; i < runs; ++i) {
                        last = searchOnce(window, watch, text);
                        samples.push_back(last.milliseconds);
                    }
                    all.insert(all.end(), samples.begin(), samples.end());
                    const BenchStats::Summary s = BenchStats::summarize(samples);
                    table += QStringLiteral("| %1 | `%2` | %3 | %4 | %5 | %6 |\n")
                                 .arg(english.toString(qlonglong(invitations)), text, english.toString(last.rows))
                                 .arg(s.count)
                                 .arg(BenchStats::ms(s.median), BenchStats::ms(s.max));
                }
                longestStall = std::max(longestStall, stalls.longest);
                app.removeEventFilter(&watch);
            }
            const BenchStats::Summary s = BenchStats::summarize(all);
            summary += QStringLiteral(
                           "| Guest search, list painted after the 300 ms pause, %1 invitations | ≤ 300 ms | "
                           "median %2 ms, max %3 ms |\n")
                           .arg(english.toString(qlonglong(invitations)), BenchStats::ms(s.median),
                                BenchStats::ms(s.max));

            EntryCounter counter(Data::SqlServerId);
            std::vector<double> counts;
            countOnce(counter); // warm-up, and the first text
            for (int i = 0; i < runs; ++i) {
                // Each read finds one more entry, so that its text changes.
                const QString db = QDir(work).filePath(QStringLiteral("checkin.db"));
                auto c = std::make_shared<Connection>();
                c->Open(QStringLiteral("Provider=SQLite;Data Source=") + db);
                c->Execute(QStringLiteral("UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = "
                                          "(SELECT MIN(convite_id) FROM tbConvites WHERE checked_in IS NULL)"));
                c.reset();
                counts.push_back(countOnce(counter));
            }
            const BenchStats::Summary cs = BenchStats::summarize(counts);
            countTable += QStringLiteral("| %1 | %2 | %3 | %4 |\n")
                              .arg(english.toString(qlonglong(invitations)))
                              .arg(cs.count)
                              .arg(BenchStats::ms(cs.median), BenchStats::ms(cs.max));
            summary += QStringLiteral("| Live entry count read, %1 invitations (every %2 s, off the desk's thread) | "
                                      "shown within 5 s | median %3 ms, max %4 ms |\n")
                           .arg(english.toString(qlonglong(invitations)))
                           .arg(EntryCounter::IntervalMs / 1000)
                           .arg(BenchStats::ms(cs.median), BenchStats::ms(cs.max));
        }
        summary += QStringLiteral("| Longest pause of the window's thread while searching | typing never freezes | "
                                  "%1 ms |\n")
                       .arg(BenchStats::ms(longestStall));
        table += QStringLiteral("\nLongest gap between ticks of a 5 ms timer on the window's thread during these "
                                "searches: %1 ms.\n\nLive entry count, from asking for a read to the new text:\n\n")
                     .arg(BenchStats::ms(longestStall))
                 + countTable;
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_search: %s\n", error.what());
        return 1;
    }
    return 0;
}

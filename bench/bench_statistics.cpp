// The "Estatísticas" window's refresh on demo sets with 10 % and 90 % of the invitations
// entered (spread over the last four hours, on a working copy), on the embedded store and,
// with --tds, through quorvet-tds-server. Timed from asking the real window to read again to
// its new picture shown (figures set and chart rebuilt); while the reads run, a 5 ms timer on
// the window's thread records the longest gap between its ticks (a pause of the window).
//   bench_statistics --work DIR --markdown OUT.md [--runs N] [--tds PROGRAM] SET...
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "bench/invitationsample.h"
#include "data/connection.h"
#include "forms/frmestatisticas.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

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

// Every tenth invitation (tenths = 1) or nine in ten (9) entered, the rest not.
void enter(const QString &work, int tenths)
{
    auto c = std::make_shared<Connection>();
    c->Open(QStringLiteral("Provider=SQLite;Data Source=") + QDir(work).filePath(QStringLiteral("checkin.db")));
    c->Execute(QStringLiteral("UPDATE tbConvites SET checked_in = CASE WHEN convite_id % 10 < %1 "
                              "THEN DATEADD(SECOND, -(convite_id % 14400), GETDATE()) ELSE NULL END")
                   .arg(tenths));
}

// The entries' WAL copied into the database and emptied before the reads are timed: the
// embedded store checkpoints on a thread of its own, which would otherwise still be copying
// the million changed rows while the window reads.
void checkpoint(const QString &work)
{
    sqlite3 *db = nullptr;
    const QByteArray path = QFile::encodeName(QDir(work).filePath(QStringLiteral("checkin.db")));
    int rc = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    QElapsedTimer waited;
    waited.start();
    // Busy while the background checkpoint of the same file runs.
    while (rc == SQLITE_OK || rc == SQLITE_BUSY) {
        rc = sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        if (rc != SQLITE_BUSY || waited.elapsed() > 60000)
            break;
        QThread::msleep(20);
    }
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("the entries could not be checkpointed");
}

double refreshOnce(frmEstatisticas &window)
{
    bool shown = false;
    const QMetaObject::Connection c = QObject::connect(&window, &frmEstatisticas::pictureShown, [&] { shown = true; });
    const auto start = BenchStats::Clock::now();
    window.refreshNow();
    QElapsedTimer guard;
    guard.start();
    while (!shown && guard.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QObject::disconnect(c);
    if (!shown)
        throw std::runtime_error("the statistics window showed no picture");
    return BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Refreshes per set, share and store."),
                                        QStringLiteral("n"), QStringLiteral("7"));
    const QCommandLineOption tdsOption(QStringLiteral("tds"),
                                       QStringLiteral("quorvet-tds-server to reach each copy through as well."),
                                       QStringLiteral("program"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."),
                                                 {runsOption, tdsOption}, false);
    if (!commandLine.parse(app))
        return commandLine.usage();
    const int runs = commandLine.parser.value(runsOption).toInt();

    try {
        const QLocale english(QLocale::English);
        QString table = QStringLiteral("| invitations | entered | store | refreshes | median (ms) | max (ms) "
                                       "| longest pause of the window's thread (ms) |\n"
                                       "|---:|---:|---|---:|---:|---:|---:|\n");
        QString summary;
        for (const QString &set : commandLine.sets()) {
            const QString work = BenchEnvironment::workingCopy(
                set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName() + QStringLiteral("-statistics")));
            const int64_t invitations = InvitationSample::invitationCount(
                QDir(work).filePath(QStringLiteral("checkin.db")));
            for (int tenths : {1, 9}) {
                enter(work, tenths);
                checkpoint(work);
                QStringList stores{QStringLiteral("embedded")};
                if (commandLine.parser.isSet(tdsOption))
                    stores << QStringLiteral("TDS");
                for (const QString &store : stores) {
                    BenchTdsServer server;
                    if (store == QLatin1String("TDS")) {
                        server.start(commandLine.parser.value(tdsOption), work);
                        server.useForDesk();
                    } else {
                        BenchEnvironment::useDemoSet(work);
                    }
                    std::vector<double> samples;
                    double stall = 0;
                    {
                        frmEstatisticas window;
                        window.show();
                        refreshOnce(window); // warm-up: connection and page cache
                        StallWatch stalls;
                        for (int i = 0; i < runs; ++i)
                            samples.push_back(refreshOnce(window));
                        stall = stalls.longest;
                    }
                    const BenchStats::Summary s = BenchStats::summarize(samples);
                    table += QStringLiteral("| %1 | %2 % | %3 | %4 | %5 | %6 | %7 |\n")
                                 .arg(english.toString(qlonglong(invitations)))
                                 .arg(tenths * 10)
                                 .arg(store)
                                 .arg(s.count)
                                 .arg(BenchStats::ms(s.median), BenchStats::ms(s.max), BenchStats::ms(stall));
                    summary += QStringLiteral("| Statistics refresh, %1 invitations, %2 % entered, %3 | ≤ 300 ms at a "
                                              "million, window never paused > 20 ms | median %4 ms, pause %5 ms |\n")
                                   .arg(english.toString(qlonglong(invitations)))
                                   .arg(tenths * 10)
                                   .arg(store, BenchStats::ms(s.median), BenchStats::ms(stall));
                }
            }
        }
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_statistics: %s\n", error.what());
        return 1;
    }
    return 0;
}

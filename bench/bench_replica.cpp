// The desk's local copy on a demo set: the first whole copy, a refresh of the entry times
// after 100 new entries, and the copy's size on disk, on the embedded store and (with --tds)
// through quorvet-tds-server on loopback. The copy is written by LocalReplica on this thread,
// as the refresher's worker does it.
// Then, on the first set only: through the server (with --tds), --desks copies made and
// refreshed at once, each on a thread and connections of its own as each desk's refresher
// does it; and on each store the check-in's own latency through the real main window
// (Enter to verdict painted), in blocks with the window's own copy idle and blocks while it
// makes a whole copy, the blocks taking turns.
//   bench_replica --work DIR --markdown OUT.md [--runs N] [--tds PROGRAM] [--desks N]
//                 [--check-ins N] SET...
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "bench/deskdriver.h"
#include "bench/invitationsample.h"
#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"
#include "data/localreplica.h"
#include "data/replicarefresher.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "bench_replica: %s\n", qPrintable(line));
}

struct DeskConnections
{
    ConnectionRef checkIn, zelmar, korda;
};

// Runs job on `desks` threads at once, each with three connections of its own opened first;
// each thread's clock starts once every thread holds its connections. The milliseconds of
// each job; std::runtime_error when any failed.
std::vector<double> atOnce(int desks, const std::function<void(int desk, const DeskConnections &)> &job)
{
    std::atomic<int> ready{0};
    std::vector<double> times(size_t(desks), 0.0);
    std::vector<QString> errors(static_cast<size_t>(desks), QString());
    std::vector<std::unique_ptr<QThread>> threads;
    for (int desk = 0; desk < desks; ++desk) {
        threads.emplace_back(QThread::create([&, desk] {
            bool counted = false;
            try {
                const DeskConnections c{BackgroundConnection::openNamed(Data::SqlServerId),
                                        BackgroundConnection::openNamed(Data::ZelmarId),
                                        BackgroundConnection::openNamed(Data::KordaId)};
                ++ready;
                counted = true;
                while (ready.load() < desks)
                    QThread::msleep(1);
                const auto start = BenchStats::Clock::now();
                job(desk, c);
                times[size_t(desk)] = BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
            } catch (const std::exception &error) {
                errors[size_t(desk)] = QString::fromLocal8Bit(error.what());
                if (!counted)
                    ++ready;
            }
        }));
        threads.back()->start();
    }
    for (const auto &thread : threads)
        thread->wait();
    for (const QString &error : errors)
        if (!error.isEmpty())
            throw std::runtime_error("a desk's copy failed: " + error.toStdString());
    return times;
}

// Writes 100 more entries, as the desks of the floor would.
void enterHundred(const ConnectionRef &checkIn)
{
    checkIn->Execute(QStringLiteral("UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id IN (SELECT TOP 100 "
                                    "convite_id FROM tbConvites WHERE checked_in IS NULL ORDER BY convite_id)"));
}

// `desks` copies made whole at once, then `runs` times 100 entries and every copy refreshed at once.
QString desksAtOnce(const QString &work, int desks, int runs, const QString &invitations, QString *summary)
{
    say(QStringLiteral("%1 desks' copies at once").arg(desks));
    const auto path = [&](int desk) { return QDir(work).filePath(QStringLiteral("desk%1-copy/replica.db").arg(desk)); };
    for (int desk = 0; desk < desks; ++desk)
        LocalReplica::forget(path(desk), nullptr);
    const std::vector<double> whole = atOnce(desks, [&](int desk, const DeskConnections &c) {
        LocalReplica(path(desk)).fillAll(c.checkIn, c.zelmar, c.korda);
    });
    const ConnectionRef checkIn = BackgroundConnection::openNamed(Data::SqlServerId);
    std::vector<double> refresh;
    for (int run = 0; run < runs; ++run) {
        enterHundred(checkIn);
        const std::vector<double> times = atOnce(
            desks, [&](int desk, const DeskConnections &c) { LocalReplica(path(desk)).refreshEntries(c.checkIn); });
        refresh.insert(refresh.end(), times.begin(), times.end());
    }
    const BenchStats::Summary w = BenchStats::summarize(whole);
    const BenchStats::Summary r = BenchStats::summarize(refresh);
    *summary += QStringLiteral("| Local copy, %1 desks at once on one test server, %2 invitations: whole copy / "
                               "refresh, median | refresh ≪ 30 s | %3 ms / %4 ms |\n")
                    .arg(desks)
                    .arg(invitations, BenchStats::ms(w.median), BenchStats::ms(r.median));
    return QStringLiteral("\n| desks at once (TDS) | invitations | copies | median (ms) | p99 (ms) | max (ms) |\n"
                          "|---|---:|---:|---:|---:|---:|\n"
                          "| %1, whole copy | %2 | %3 | %4 | %5 | %6 |\n"
                          "| %1, refresh after 100 entries | %2 | %7 | %8 | %9 | %10 |\n")
        .arg(desks)
        .arg(invitations)
        .arg(w.count)
        .arg(BenchStats::ms(w.median), BenchStats::ms(w.p99), BenchStats::ms(w.max))
        .arg(r.count)
        .arg(BenchStats::ms(r.median), BenchStats::ms(r.p99), BenchStats::ms(r.max));
}

// The check-in through the real window, `checkIns` times with its copy idle and as many while
// the window's own refresher makes a whole copy, in alternating blocks.
QString latencyWhileCopying(const QString &work, const QString &store, int checkIns, const QString &invitations,
                            QString *summary)
{
    say(QStringLiteral("check-in latency with and without a whole copy running, %1").arg(store));
    constexpr int Day = 24 * 60 * 60 * 1000;
    constexpr int Block = 25;
    const QString copy = QDir(work).filePath(store + QStringLiteral("-desk-copy/replica.db"));
    LocalReplica::forget(copy, nullptr);
    qputenv("QUORVET_REPLICA", copy.toUtf8());
    frmMain window;
    window.setProcessTerminator([](const QString &) { return false; });
    window.Form_Load();
    ReplicaRefresher *refresher = window.replicaRefresher();
    if (!refresher)
        throw std::runtime_error("the desk keeps no local copy (QUORVET_OFFLINE=off?)");
    // The copy refreshes only when asked; the first whole copy starts a little after the start.
    refresher->setIntervals(Day, Day);
    if (!QTest::qWaitFor([&] { return refresher->copiedAt() && !refresher->busy(); }, 30 * 60 * 1000))
        throw std::runtime_error("the desk's first copy never ended");
    refresher->setIntervals(Day, 0); // every refresh asked for is a whole copy

    const auto numbers = InvitationSample::take(QDir(work).filePath(QStringLiteral("checkin.db")), checkIns);
    std::vector<std::pair<int, QString>> order;
    for (int kind = 0; kind < InvitationSample::KindCount; ++kind)
        for (const QString &number : numbers[size_t(kind)])
            order.emplace_back(kind, number);
    std::mt19937 random(20261209);
    std::shuffle(order.begin(), order.end(), random);

    DeskDriver driver(window);
    for (int i = 0; i < 20; ++i)
        driver.checkIn(numbers[InvitationSample::NotFound].value(i % numbers[InvitationSample::NotFound].size()));
    std::vector<double> idle, copying;
    int wrong = 0, copies = 0;
    size_t next = 0;
    while ((int(idle.size()) < checkIns || int(copying.size()) < checkIns) && next < order.size()) {
        const bool duringCopy = int(copying.size()) < checkIns
                                && (int(idle.size()) >= checkIns || (idle.size() / Block) > (copying.size() / Block));
        if (!duringCopy && !QTest::qWaitFor([&] { return !refresher->busy(); }, 30 * 60 * 1000))
            throw std::runtime_error("the desk's copy never ended");
        for (int n = 0; n < Block && next < order.size(); ++n) {
            if (duringCopy && !refresher->busy()) {
                refresher->refreshNow();
                ++copies;
            }
            const auto &[kind, number] = order[next++];
            const DeskDriver::Outcome outcome = driver.checkIn(number);
            if (outcome.kind != kind)
                ++wrong;
            // A check-in counts as during the copy only when the copy ran before and after it.
            if (!duringCopy)
                idle.push_back(outcome.milliseconds);
            else if (refresher->busy())
                copying.push_back(outcome.milliseconds);
        }
    }
    if (!QTest::qWaitFor([&] { return !refresher->busy(); }, 30 * 60 * 1000))
        throw std::runtime_error("the desk's copy never ended");
    const BenchStats::Summary i = BenchStats::summarize(idle);
    const BenchStats::Summary c = BenchStats::summarize(copying);
    *summary += QStringLiteral("| Check-in latency, %1 invitations, %2: copy idle / whole copy running, median "
                               "and p99 | does not move | %3 / %4 ms, p99 %5 / %6 ms |\n")
                    .arg(invitations, store, BenchStats::ms(i.median), BenchStats::ms(c.median), BenchStats::ms(i.p99),
                         BenchStats::ms(c.p99));
    return QStringLiteral("| %1 | %2 | copy idle | %3 | %4 | %5 | %6 |\n"
                          "| %1 | %2 | whole copy running (%7 copies) | %8 | %9 | %10 | %6 |\n")
        .arg(invitations, store)
        .arg(i.count)
        .arg(BenchStats::ms(i.median), BenchStats::ms(i.p99))
        .arg(wrong)
        .arg(copies)
        .arg(c.count)
        .arg(BenchStats::ms(c.median), BenchStats::ms(c.p99));
}

qint64 copySize(const QString &path)
{
    qint64 size = 0;
    for (const char *suffix : {"", "-wal"})
        size += QFileInfo(path + QString::fromLatin1(suffix)).size();
    return size;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Copies and refreshes per set."),
                                        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption tdsOption(QStringLiteral("tds"), QStringLiteral("Also through this quorvet-tds-server."),
                                       QStringLiteral("program"));
    const QCommandLineOption desksOption(QStringLiteral("desks"),
                                         QStringLiteral("Desks refreshing at once through the server."),
                                         QStringLiteral("n"), QStringLiteral("8"));
    const QCommandLineOption checkInsOption(QStringLiteral("check-ins"),
                                            QStringLiteral("Check-ins timed with the copy idle, and as many while "
                                                           "it runs."),
                                            QStringLiteral("n"), QStringLiteral("200"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."),
                                                 {runsOption, tdsOption, desksOption, checkInsOption}, false);
    if (!commandLine.parse(app))
        return commandLine.usage();
    const int runs = commandLine.parser.value(runsOption).toInt();
    const int desks = commandLine.parser.value(desksOption).toInt();
    const int checkIns = commandLine.parser.value(checkInsOption).toInt();

    try {
        const QLocale english(QLocale::English);
        QString table = QStringLiteral("| invitations | store | copies | whole copy median (ms) | refresh after 100 "
                                       "entries median (ms) | copy size (MB) |\n|---:|---|---:|---:|---:|---:|\n");
        QString summary, atOnceTable;
        QString latencyTable = QStringLiteral("\n| invitations | store | timed | check-ins | median (ms) | p99 (ms) | "
                                              "wrong verdicts |\n|---:|---|---|---:|---:|---:|---:|\n");
        for (const QString &set : commandLine.sets()) {
            const bool first = set == commandLine.sets().constFirst();
            const QString work = BenchEnvironment::workingCopy(
                set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName() + QStringLiteral("-replica")));
            const int64_t invitations = InvitationSample::invitationCount(
                QDir(work).filePath(QStringLiteral("checkin.db")));
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
                const ConnectionRef checkIn = BackgroundConnection::openNamed(Data::SqlServerId);
                const ConnectionRef zelmar = BackgroundConnection::openNamed(Data::ZelmarId);
                const ConnectionRef korda = BackgroundConnection::openNamed(Data::KordaId);
                const QString path = QDir(work).filePath(store + QStringLiteral("-copy/replica.db"));
                LocalReplica::forget(path, nullptr);
                LocalReplica replica(path);
                std::vector<double> whole, refresh;
                for (int i = 0; i < runs; ++i) {
                    auto start = BenchStats::Clock::now();
                    replica.fillAll(checkIn, zelmar, korda);
                    whole.push_back(BenchStats::millisecondsBetween(start, BenchStats::Clock::now()));
                    enterHundred(checkIn);
                    start = BenchStats::Clock::now();
                    replica.refreshEntries(checkIn);
                    refresh.push_back(BenchStats::millisecondsBetween(start, BenchStats::Clock::now()));
                }
                const BenchStats::Summary w = BenchStats::summarize(whole);
                const BenchStats::Summary r = BenchStats::summarize(refresh);
                const double megabytes = double(copySize(path)) / (1024.0 * 1024.0);
                table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                             .arg(english.toString(qlonglong(invitations)), store)
                             .arg(runs)
                             .arg(BenchStats::ms(w.median), BenchStats::ms(r.median))
                             .arg(megabytes, 0, 'f', 1);
                summary += QStringLiteral("| Local copy, %1 invitations, %2: whole copy / refresh / size | first copy "
                                          "in minutes, refresh ≪ 30 s | %3 ms / %4 ms / %5 MB |\n")
                               .arg(english.toString(qlonglong(invitations)), store, BenchStats::ms(w.median),
                                    BenchStats::ms(r.median))
                               .arg(megabytes, 0, 'f', 1);
                const QString count = english.toString(qlonglong(invitations));
                if (first && store == QLatin1String("TDS"))
                    atOnceTable = desksAtOnce(work, desks, runs, count, &summary);
                if (first)
                    latencyTable += latencyWhileCopying(work, store, checkIns, count, &summary);
            }
        }
        table += atOnceTable + latencyTable;
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
        std::fputs(table.toUtf8().constData(), stdout);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_replica: %s\n", error.what());
        return 1;
    }
    return 0;
}

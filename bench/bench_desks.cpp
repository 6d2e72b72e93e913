// Several desks at once: desk processes of their own (each the real main window on the
// offscreen platform, driven by DeskDriver) check in the same invitations against one
// backend, a quorvet-tds-server or the embedded store's files shared by all of them.
//   bench_desks --work DIR --markdown OUT.md [--check-ins N] [--desks N] [--tries N] [--tds SERVER] SET
// SET is a cached demo set folder; it is copied into DIR and only the copy is written to.
// Every invitation chosen is unused and tried by --tries different desks, each desk in an
// order of its own. The benchmark then checks that each invitation was accepted exactly
// once, that every other try was refused with the entry time the database holds, and that
// no error verdict, message box or error report appeared; it exits 1 (saying what) when not.
// The desk processes are this program started again with --desk-child FOLDER.
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "bench/deskdriver.h"
#include "bench/deskrace.h"
#include "bench/invitationsample.h"
#include "data/backgroundconnection.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/sessionpool.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "bench_desks: %s\n", qPrintable(line));
}

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(BenchStats::Clock::now().time_since_epoch()).count();
}

QString numbersFile(const QString &deskFolder)
{
    return QDir(deskFolder).filePath(QStringLiteral("numbers.txt"));
}

QString triesFile(const QString &deskFolder)
{
    return QDir(deskFolder).filePath(QStringLiteral("tries.txt"));
}

QString scratchFolder(const QString &deskFolder)
{
    return QDir(deskFolder).filePath(QStringLiteral("scratch"));
}

// ---- The desk process ----------------------------------------------------------------

// Reads its numbers ("w N" warm-up, not recorded; "t N" a try), opens the main window,
// says "ready" on standard output, waits for the go file and tries its numbers in order.
int runDeskChild(const QString &deskFolder, const QString &go)
{
    QFile list(numbersFile(deskFolder));
    if (!list.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read %1").arg(list.fileName()));
        return 1;
    }
    QStringList warmUp;
    QStringList numbers;
    for (const QString &line : QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        (line.startsWith(QLatin1String("w ")) ? warmUp : numbers) << line.mid(2);

    frmMain window;
    window.setProcessTerminator([](const QString &) { return false; });
    window.Form_Load();
    QCoreApplication::processEvents();
    DeskDriver driver(window);
    for (const QString &number : warmUp)
        driver.checkIn(number);
    std::printf("ready\n");
    std::fflush(stdout);

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(go)) {
        if (waited.elapsed() > 10 * 60 * 1000)
            return 3;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }

    DeskRace::Record record;
    record.tries.reserve(size_t(numbers.size()));
    for (const QString &number : numbers) {
        DeskRace::Try t;
        t.number = number;
        t.startNs = nowNs();
        const DeskDriver::Outcome outcome = driver.checkIn(number);
        t.endNs = nowNs();
        t.milliseconds = outcome.milliseconds;
        t.painted = outcome.painted;
        t.text = outcome.text;
        record.tries.push_back(t);
    }
    record.messageBoxes = driver.messageBoxes();
    record.residentKiB = BenchEnvironment::residentKiB();
    record.peakResidentKiB = BenchEnvironment::peakResidentKiB();
    DeskRace::write(triesFile(deskFolder), record);
    return 0;
}

int deskChild(int argc, char **argv, const QString &deskFolder, const QString &go)
{
    BenchEnvironment::prepareProcess(scratchFolder(deskFolder));
    // No sound: a machine without an audio server reports that once per desk, and any report
    // fails the run; the sound's own cost is bench_sound's.
    qputenv("QUORVET_SOUND", "off");
    QApplication app(argc, argv);
    const int exitCode = runDeskChild(deskFolder, go);
    BackgroundConnection::endLeftovers(10000, exitCode);
    return exitCode;
}

// ---- The benchmark ---------------------------------------------------------------------

struct Options
{
    QString set;
    QString work;
    QString markdown;
    QString tdsServer;
    int checkIns = 20000;
    int desks = 8;
    int tries = 4;
};

// The entry times the check-in database holds, by invitation number.
QMap<QString, Value> storedEntries(const QString &checkinDb)
{
    auto connection = std::make_shared<Connection>();
    connection->Open(QStringLiteral("Provider=SQLite;Data Source=") + checkinDb);
    QMap<QString, Value> entries;
    const RecordsetRef rs = connection->Execute(
        QStringLiteral("SELECT convite_no, checked_in FROM tbConvites WHERE checked_in IS NOT NULL"));
    for (; rs->State() == Recordset::StateOpen && !rs->Eof(); rs->MoveNext())
        entries.insert(rs->Fields(0).Value().toText(), rs->Fields(1).Value());
    return entries;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

struct DeskProcess
{
    QString folder;
    std::unique_ptr<QProcess> process;
};

// Starts the desks and waits until every one has opened its window and warmed up.
std::vector<DeskProcess> startDesks(const QString &work, const std::vector<QStringList> &lists,
                                    const QStringList &warmUp, const QString &go)
{
    std::vector<DeskProcess> desks;
    for (size_t d = 0; d < lists.size(); ++d) {
        DeskProcess desk;
        desk.folder = QDir(work).filePath(QStringLiteral("desk-%1").arg(d + 1));
        QDir(desk.folder).removeRecursively();
        QString text;
        for (const QString &number : warmUp)
            text += QStringLiteral("w ") + number + QLatin1Char('\n');
        for (const QString &number : lists[d])
            text += QStringLiteral("t ") + number + QLatin1Char('\n');
        BenchEnvironment::writeText(numbersFile(desk.folder), text);
        desk.process = std::make_unique<QProcess>();
        desk.process->setStandardErrorFile(QDir(desk.folder).filePath(QStringLiteral("stderr.log")));
        desk.process->start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--desk-child"), desk.folder, QStringLiteral("--go"), go});
        if (!desk.process->waitForStarted(30000))
            throw std::runtime_error(QStringLiteral("desk %1 did not start").arg(d + 1).toStdString());
        desks.push_back(std::move(desk));
    }
    for (size_t d = 0; d < desks.size(); ++d) {
        QProcess &p = *desks[d].process;
        QElapsedTimer waited;
        waited.start();
        while (!p.canReadLine() && p.state() == QProcess::Running && waited.elapsed() < 300000)
            p.waitForReadyRead(1000);
        if (p.readLine().trimmed() != "ready")
            throw std::runtime_error(QStringLiteral("desk %1 did not get ready (see %2/stderr.log)")
                                         .arg(d + 1)
                                         .arg(desks[d].folder)
                                         .toStdString());
    }
    return desks;
}

QString thousands(int64_t n)
{
    return QLocale(QLocale::English).toString(qlonglong(n));
}

QString perSecond(size_t count, int64_t fromNs, int64_t toNs)
{
    return toNs > fromNs ? QString::number(double(count) * 1e9 / double(toNs - fromNs), 'f', 1) : QStringLiteral("-");
}

int runBenchmark(const Options &o)
{
    const bool tds = !o.tdsServer.isEmpty();
    const QString backend = !tds                     ? QStringLiteral("embedded store")
                            : SessionPool::enabled() ? QStringLiteral("TDS, pooled")
                                                     : QStringLiteral("TDS, unpooled");
    const QString work = BenchEnvironment::workingCopy(
        o.set, QDir(o.work).filePath(QFileInfo(o.set).fileName()
                                     + (tds ? QStringLiteral("-tds") : QStringLiteral("-embedded"))));
    const QString checkinDb = QDir(work).filePath(QStringLiteral("checkin.db"));
    const int64_t invitations = InvitationSample::invitationCount(checkinDb);
    const int distinct = o.checkIns / o.tries;
    say(QStringLiteral("%1: %2 invitations, choosing %3 unused ones").arg(backend).arg(invitations).arg(distinct));
    const auto sample = InvitationSample::take(checkinDb, distinct);
    const QStringList &numbers = sample[InvitationSample::Accepted];
    if (numbers.size() < distinct)
        throw std::runtime_error(
            QStringLiteral("only %1 unused invitations in %2").arg(numbers.size()).arg(o.set).toStdString());
    const int enteredBefore = int(storedEntries(checkinDb).size());

    BenchTdsServer server;
    if (tds) {
        server.start(o.tdsServer, work);
        server.useForDesk();
    } else {
        BenchEnvironment::useDemoSet(work);
    }
    const std::vector<QStringList> lists = DeskRace::schedule(numbers, o.desks, o.tries, 4 * o.desks, 20261208);
    const QString go = QDir(work).filePath(QStringLiteral("go"));
    QFile::remove(go);
    say(QStringLiteral("%1: starting %2 desks").arg(backend).arg(o.desks));
    std::vector<DeskProcess> desks = startDesks(work, lists, sample[InvitationSample::NotFound].mid(0, 5), go);

    const QString loadBefore = loadAverage();
    BenchEnvironment::writeText(go, QString());
    say(QStringLiteral("%1: %2 check-ins").arg(backend).arg(distinct * o.tries));
    QStringList ended; // desks that did not end well
    QElapsedTimer clock;
    clock.start();
    const int limitMs = 600000 + 200 * o.checkIns;
    for (size_t d = 0; d < desks.size(); ++d) {
        QProcess &p = *desks[d].process;
        if (!p.waitForFinished(int(std::max<qint64>(1000, limitMs - clock.elapsed())))) {
            ended << (QStringLiteral("desk %1 did not finish in %2 s; stopped").arg(d + 1).arg(limitMs / 1000));
            p.kill();
            p.waitForFinished(5000);
        } else if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            ended << (QStringLiteral("desk %1 ended with %2 (see %3/stderr.log)")
                          .arg(d + 1)
                          .arg(p.exitStatus() == QProcess::NormalExit ? QString::number(p.exitCode())
                                                                      : QStringLiteral("a crash"))
                          .arg(desks[d].folder));
        }
    }
    const double seconds = double(clock.elapsed()) / 1000;
    const QString loadAfter = loadAverage();
    const int logins = tds ? server.logins() : -1;
    server.stop();

    std::vector<DeskRace::Record> records;
    for (const DeskProcess &desk : desks)
        records.push_back(DeskRace::read(triesFile(desk.folder)));
    DeskRace::Check check = DeskRace::check(numbers, o.tries, lists, records, storedEntries(checkinDb), enteredBefore);
    for (const QString &line : ended)
        check.fault(line);
    int reports = 0;
    for (size_t d = 0; d < desks.size(); ++d) {
        QFile log(QDir(scratchFolder(desks[d].folder)).filePath(QStringLiteral("error-reports.log")));
        const QByteArray text = log.open(QIODevice::ReadOnly) ? log.readAll().trimmed() : QByteArray();
        if (!text.isEmpty()) {
            reports += int(text.count('\n')) + 1;
            check.fault(
                QStringLiteral("desk %1 reported errors: %2").arg(d + 1).arg(QString::fromUtf8(text.left(300))));
        }
    }

    // The table: one row per desk and the whole run.
    QString table = QStringLiteral(
        "| backend | desk | check-ins | accepted | refused | check-ins/s | median (ms) | p99 (ms) | max (ms) "
        "| VmRSS at end (KiB) | VmHWM (KiB) |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::vector<double> allTimes;
    int64_t firstStart = 0, lastEnd = 0;
    long rssSum = 0, peakSum = 0;
    int acceptedSum = 0, refusedSum = 0;
    double worstP99 = 0;
    for (size_t d = 0; d < records.size(); ++d) {
        const DeskRace::Record &r = records[d];
        std::vector<double> times;
        int accepted = 0, refused = 0;
        for (const DeskRace::Try &t : r.tries) {
            times.push_back(t.milliseconds);
            accepted += DeskRace::isAcceptance(t.text) ? 1 : 0;
            refused += DeskRace::isExpiry(t.text) ? 1 : 0;
        }
        allTimes.insert(allTimes.end(), times.begin(), times.end());
        const BenchStats::Summary s = BenchStats::summarize(times);
        worstP99 = std::max(worstP99, s.p99);
        const int64_t start = r.tries.empty() ? 0 : r.tries.front().startNs;
        const int64_t end = r.tries.empty() ? 0 : r.tries.back().endNs;
        if (!r.tries.empty()) {
            firstStart = firstStart == 0 ? start : std::min(firstStart, start);
            lastEnd = std::max(lastEnd, end);
        }
        rssSum += r.residentKiB;
        peakSum += r.peakResidentKiB;
        acceptedSum += accepted;
        refusedSum += refused;
        table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 |\n")
                     .arg(backend)
                     .arg(d + 1)
                     .arg(thousands(qlonglong(times.size())), thousands(accepted), thousands(refused),
                          perSecond(times.size(), start, end), BenchStats::ms(s.median), BenchStats::ms(s.p99),
                          BenchStats::ms(s.max))
                     .arg(thousands(r.residentKiB), thousands(r.peakResidentKiB));
    }
    const BenchStats::Summary all = BenchStats::summarize(allTimes);
    const QString overallRate = perSecond(allTimes.size(), firstStart, lastEnd);
    table += QStringLiteral("| %1 | **all** | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 (sum) | %10 (sum) |\n")
                 .arg(backend, thousands(qlonglong(allTimes.size())), thousands(acceptedSum), thousands(refusedSum),
                      overallRate, BenchStats::ms(all.median), BenchStats::ms(all.p99), BenchStats::ms(all.max),
                      thousands(rssSum))
                 .arg(thousands(peakSum));
    QStringList notes;
    notes << QStringLiteral("%1 check-ins of %2 unused invitations (of %3), each tried by %4 of the %5 desks: "
                            "%6 accepted exactly once, %7 tries refused with the entry time the database holds; "
                            "%8 tries were underway while another desk's accepting try of the same invitation was "
                            "(%9 invitations).")
                 .arg(thousands(o.tries * distinct), thousands(distinct), thousands(invitations))
                 .arg(o.tries)
                 .arg(o.desks)
                 .arg(thousands(check.acceptedOnce), thousands(check.refusedWithStoredTime),
                      thousands(check.overlapping), thousands(check.racedInvitations));
    notes << QStringLiteral("Error verdicts: %1; message boxes: %2; error reports: %3; verdicts without a paint: %4%5. "
                            "%6 s from the start signal to the last desk's end; load average %7 before, %8 after.")
                 .arg(check.otherVerdicts)
                 .arg(check.messageBoxes)
                 .arg(reports)
                 .arg(check.unpainted)
                 .arg(logins >= 0 ? QStringLiteral("; logins the server saw: %1").arg(logins) : QString())
                 .arg(seconds, 0, 'f', 1)
                 .arg(loadBefore, loadAfter);
    if (check.faultCount > 0)
        notes << QStringLiteral("**FAILED** (%1 faults): ").arg(check.faultCount)
                     + check.faults.join(QStringLiteral("; "));
    table += QLatin1Char('\n') + notes.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
    BenchEnvironment::writeText(o.markdown, table);
    BenchEnvironment::writeSummary(
        o.markdown,
        QStringLiteral("| %1 desk processes at once, %2: %3 check-ins of %4 invitations tried by %5 desks each "
                       "| each accepted once, every other try refused with the stored time, no error "
                       "| %6; %7 check-ins/s in all, p99 %8 ms (worst desk %9 ms) |\n")
            .arg(o.desks)
            .arg(backend, thousands(o.tries * distinct), thousands(distinct))
            .arg(o.tries)
            .arg(check.faultCount == 0 ? QStringLiteral("all correct")
                                       : QStringLiteral("**%1 faults**").arg(check.faultCount),
                 overallRate, BenchStats::ms(all.p99), BenchStats::ms(worstP99)));
    for (const QString &line : check.faults)
        say(line);
    say(QStringLiteral("%1: %2 check-ins/s in all, p99 %3 ms, %4")
            .arg(backend, overallRate, BenchStats::ms(all.p99),
                 check.faultCount ? QStringLiteral("FAILED") : QStringLiteral("all correct")));
    return check.faultCount == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--desk-child") == 0 && qstrcmp(argv[3], "--go") == 0)
        return deskChild(argc, argv, QFile::decodeName(argv[2]), QFile::decodeName(argv[4]));

    QCoreApplication app(argc, argv);
    const QCommandLineOption checkInsOption(QStringLiteral("check-ins"), QStringLiteral("Check-ins in all."),
                                            QStringLiteral("n"), QStringLiteral("20000"));
    const QCommandLineOption desksOption(QStringLiteral("desks"), QStringLiteral("Desk processes."),
                                         QStringLiteral("n"), QStringLiteral("8"));
    const QCommandLineOption triesOption(QStringLiteral("tries"), QStringLiteral("Desks that try each invitation."),
                                         QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption tdsOption(QStringLiteral("tds"),
                                       QStringLiteral("quorvet-tds-server to serve the copy (TDS on loopback)."),
                                       QStringLiteral("program"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copy."),
                                                 {checkInsOption, desksOption, triesOption, tdsOption}, true);
    const bool parsed = commandLine.parse(app);
    const QCommandLineParser &parser = commandLine.parser;
    Options o;
    o.work = commandLine.work();
    o.markdown = commandLine.markdown();
    o.tdsServer = parser.value(tdsOption);
    o.checkIns = parser.value(checkInsOption).toInt();
    o.desks = parser.value(desksOption).toInt();
    // Four tries each, or one per desk when there are fewer desks.
    o.tries = parser.isSet(triesOption) ? parser.value(triesOption).toInt() : std::min(4, o.desks);
    if (!parsed || o.desks < 1 || o.tries < 1 || o.tries > o.desks || o.checkIns < o.tries)
        return commandLine.usage();
    o.set = commandLine.sets().constFirst();
    try {
        return runBenchmark(o);
    } catch (const std::exception &error) {
        say(QString::fromLocal8Bit(error.what()));
        return 1;
    }
}

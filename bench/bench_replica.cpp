// The desk's local copy on a demo set: the first whole copy, a refresh of the entry times
// after 100 new entries, and the copy's size on disk, on the embedded store and (with --tds)
// through quorvet-tds-server on loopback. The copy is written by LocalReplica on this thread,
// as the refresher's worker does it.
//   bench_replica --work DIR --markdown OUT.md [--runs N] [--tds PROGRAM] SET...
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "bench/invitationsample.h"
#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"
#include "data/localreplica.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <vector>

namespace {

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
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."),
                                                 {runsOption, tdsOption}, false);
    if (!commandLine.parse(app))
        return commandLine.usage();
    const int runs = commandLine.parser.value(runsOption).toInt();

    try {
        const QLocale english(QLocale::English);
        QString table = QStringLiteral("| invitations | store | copies | whole copy median (ms) | refresh after 100 "
                                       "entries median (ms) | copy size (MB) |\n|---:|---|---:|---:|---:|---:|\n");
        QString summary;
        for (const QString &set : commandLine.sets()) {
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
                    checkIn->Execute(QStringLiteral(
                        "UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id IN (SELECT TOP 100 convite_id "
                        "FROM tbConvites WHERE checked_in IS NULL ORDER BY convite_id)"));
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
            }
        }
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
        std::fputs(table.toUtf8().constData(), stdout);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_replica: %s\n", error.what());
        return 1;
    }
    return 0;
}

// The way back from offline: 1,000 entries a desk decided without the server, waiting in its
// journal, delivered once the check-in database is back; timed from the moment it is back
// (the file in place, or quorvet-tds-server listening again) to the last entry delivered, on the
// embedded store and (with --tds) through quorvet-tds-server on loopback. The delivery runs on
// this thread as the offline door's worker runs it: a login, then OfflineDelivery over the
// journal. The desk's own 10 s between tries comes on top and is not counted.
//   bench_offline --work DIR --markdown OUT.md [--runs N] [--entries N] [--tds PROGRAM] SET
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"
#include "data/offlinedelivery.h"
#include "data/recordset.h"
#include "data/scanjournal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

// The first `count` unused invitations of the set, as (convite_id, convite_no).
std::vector<std::pair<int32_t, QString>> unusedInvitations(int count)
{
    const ConnectionRef checkIn = BackgroundConnection::openNamed(Data::SqlServerId);
    Recordset rs;
    rs.Open(QStringLiteral("SELECT TOP %1 convite_id, convite_no FROM tbConvites WHERE checked_in IS NULL "
                           "ORDER BY convite_id")
                .arg(count),
            checkIn);
    std::vector<std::pair<int32_t, QString>> found;
    for (; !rs.Eof(); rs.MoveNext())
        found.emplace_back(rs.Fields(0).Value().toLong(), rs.Fields(1).Value().toText());
    rs.Close();
    if (int(found.size()) < count)
        throw std::runtime_error("the demo set has too few unused invitations");
    return found;
}

// A login that succeeds, tried again until it does (the server may still be starting).
ConnectionRef loginWhenBack()
{
    for (int attempt = 0;; ++attempt) {
        try {
            return BackgroundConnection::openNamed(Data::SqlServerId);
        } catch (...) {
            if (attempt > 2000)
                throw std::runtime_error("the check-in database did not come back");
            QThread::msleep(5);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Deliveries per store."),
                                        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption entriesOption(QStringLiteral("entries"), QStringLiteral("Offline entries per run."),
                                           QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption tdsOption(QStringLiteral("tds"), QStringLiteral("Also through this quorvet-tds-server."),
                                       QStringLiteral("program"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."),
                                                 {runsOption, entriesOption, tdsOption}, true);
    if (!commandLine.parse(app))
        return commandLine.usage();
    const int runs = commandLine.parser.value(runsOption).toInt();
    const int entries = commandLine.parser.value(entriesOption).toInt();

    try {
        const QLocale english(QLocale::English);
        QString table = QStringLiteral("| store | offline entries | runs | back to last delivered median (ms) | "
                                       "max (ms) |\n|---|---:|---:|---:|---:|\n");
        QString summary;
        QStringList stores{QStringLiteral("embedded")};
        if (commandLine.parser.isSet(tdsOption))
            stores << QStringLiteral("TDS");
        for (const QString &store : stores) {
            const QString set = commandLine.sets().constFirst();
            const QString work = BenchEnvironment::workingCopy(
                set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName() + QStringLiteral("-offline")));
            const QString checkinDb = QDir(work).filePath(QStringLiteral("checkin.db"));
            BenchTdsServer server;
            if (store == QLatin1String("TDS")) {
                server.start(commandLine.parser.value(tdsOption), work);
                server.useForDesk();
            } else {
                BenchEnvironment::useDemoSet(work);
            }
            const auto invitations = unusedInvitations(entries);
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                // The entries as the desk left them: in its journal, none on the server.
                const QString journalPath = QDir(work).filePath(QStringLiteral("journal-%1.db").arg(run));
                QFile::remove(journalPath);
                ScanJournal journal(journalPath);
                const QDateTime base = OfflineEntry::deskNow();
                for (size_t i = 0; i < invitations.size(); ++i) {
                    OfflineEntry e{invitations[i].first, invitations[i].second, base, base.addMSecs(qint64(i) * 10)};
                    if (!journal.recordOffline(e))
                        throw std::runtime_error("the journal cannot be written");
                }
                // The server goes; the clock starts when it is back.
                BenchStats::Clock::time_point back;
                if (store == QLatin1String("TDS")) {
                    server.stop();
                    server.start(commandLine.parser.value(tdsOption), work);
                    server.useForDesk();
                    back = BenchStats::Clock::now(); // listening again
                } else {
                    const QString away = checkinDb + QStringLiteral(".away");
                    QFile::rename(checkinDb, away);
                    back = BenchStats::Clock::now();
                    QFile::rename(away, checkinDb);
                }
                const ConnectionRef checkIn = loginWhenBack();
                const auto settled = OfflineDelivery::deliverPending(checkIn, journal);
                times.push_back(BenchStats::millisecondsBetween(back, BenchStats::Clock::now()));
                if (int(settled.size()) != entries)
                    throw std::runtime_error("not every entry was delivered");
                for (const auto &s : settled)
                    if (s.outcome != OfflineDelivery::Outcome::Delivered)
                        throw std::runtime_error("an entry came back as a conflict");
                checkIn->Execute(QStringLiteral("UPDATE tbConvites SET checked_in = NULL WHERE convite_id BETWEEN %1 "
                                                "AND %2")
                                     .arg(invitations.front().first)
                                     .arg(invitations.back().first));
            }
            const BenchStats::Summary s = BenchStats::summarize(times);
            table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                         .arg(store, english.toString(entries))
                         .arg(runs)
                         .arg(BenchStats::ms(s.median), BenchStats::ms(s.max));
            summary += QStringLiteral("| Offline: %1 entries delivered after the server is back, %2 | seconds | "
                                      "%3 ms |\n")
                           .arg(english.toString(entries), store, BenchStats::ms(s.median));
        }
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
        std::fputs(table.toUtf8().constData(), stdout);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_offline: %s\n", error.what());
        return 1;
    }
    return 0;
}

// Memory over many check-ins: the resident size (VmRSS), SQLite's own heap and the open file
// descriptors of the process after 100 and after 10,000 consecutive check-ins through the
// real main window. Every check-in replaces the desk's three connections, so the figures
// stay flat only if the replaced ones are really released.
//   bench_memory --work DIR --markdown OUT.md [--check-ins N] SET
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/deskdriver.h"
#include "bench/invitationsample.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

struct Reading
{
    int checkIns;
    long rssKiB;
    long long sqliteBytes;
    int fds;
};

Reading takeReading(int checkIns)
{
    return Reading{checkIns, BenchEnvironment::residentKiB(), static_cast<long long>(sqlite3_memory_used()),
                   BenchEnvironment::openFileDescriptors()};
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption countOption(QStringLiteral("check-ins"), QStringLiteral("Check-ins in all."),
                                         QStringLiteral("n"), QStringLiteral("10000"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copy."), {countOption}, true);
    if (!commandLine.parse(app))
        return commandLine.usage();

    try {
        const QString set = commandLine.sets().constFirst();
        const QString work = BenchEnvironment::workingCopy(
            set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName()));
        const QString checkinDb = QDir(work).filePath(QStringLiteral("checkin.db"));
        // A mix of every kind, walked round and round: the accepted ones are refused as used
        // from the second round on, which is a check-in all the same.
        QStringList numbers;
        for (const QStringList &kind : InvitationSample::take(checkinDb, 250))
            numbers += kind;
        if (numbers.isEmpty())
            throw std::runtime_error("no invitations to check in");
        BenchEnvironment::useDemoSet(work);

        const int total = commandLine.parser.value(countOption).toInt();
        QList<Reading> readings;
        frmMain window;
        window.setProcessTerminator([](const QString &) { return false; });
        window.Form_Load();
        QCoreApplication::processEvents();
        DeskDriver driver(window);
        readings << takeReading(0);
        for (int i = 1; i <= total; ++i) {
            driver.checkIn(numbers.at((i - 1) % numbers.size()));
            if (i == 100 || i % 1000 == 0 || i == total)
                readings << takeReading(i);
            if (i % 1000 == 0)
                std::fprintf(stderr, "bench_memory: %d check-ins, VmRSS %ld KiB\n", i, readings.last().rssKiB);
        }

        const QLocale english(QLocale::English);
        QString table = QStringLiteral(
            "| check-ins | VmRSS (KiB) | SQLite heap (KiB) | open files |\n|---:|---:|---:|---:|\n");
        Reading at100{}, atEnd = readings.last();
        for (const Reading &r : readings) {
            if (r.checkIns == 100)
                at100 = r;
            if (r.checkIns == 0 || r.checkIns == 100 || r.checkIns % 2000 == 0 || r.checkIns == total)
                table += QStringLiteral("| %1 | %2 | %3 | %4 |\n")
                             .arg(english.toString(r.checkIns), english.toString(qlonglong(r.rssKiB)),
                                  english.toString(r.sqliteBytes / 1024), QString::number(r.fds));
        }
        table += QStringLiteral(
                     "\nVmRSS after %1 check-ins minus after 100: %2 KiB; SQLite heap %3 KiB; open files %4. "
                     "Message boxes: %5.\n")
                     .arg(english.toString(total))
                     .arg(atEnd.rssKiB - at100.rssKiB)
                     .arg((atEnd.sqliteBytes - at100.sqliteBytes) / 1024)
                     .arg(atEnd.fds - at100.fds)
                     .arg(driver.messageBoxes());
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(
            commandLine.markdown(),
            QStringLiteral("| VmRSS after %1 check-ins against after 100 | equal | %2 KiB more (%3 → %4 KiB) |\n")
                .arg(english.toString(total))
                .arg(atEnd.rssKiB - at100.rssKiB)
                .arg(english.toString(qlonglong(at100.rssKiB)), english.toString(qlonglong(atEnd.rssKiB))));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_memory: %s\n", error.what());
        return 1;
    }
    return 0;
}

// VIP window: from the click on the main window's Toolbar1 button to the VIP entry list
// shown with its rows painted, with 10,000 VIP guests entered, on the 100,000- and
// 1,000,000-invitation demo sets (the list's query reads tbConvites from end to end).
//   bench_vips --work DIR --markdown OUT.md [--entries N] [--runs N] SET...
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/invitationsample.h"
#include "bench/vipentries.h"
#include "forms/frmmainvips.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

namespace {

// Watches every paint of the application while a VIP window is being opened.
class PaintWatch : public QObject
{
public:
    QObject *target = nullptr;
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && target && watched == target)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

frmMainVIPs *openVipWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *vips = qobject_cast<frmMainVIPs *>(widget); vips && vips->isVisible())
            return vips;
    }
    return nullptr;
}

struct Opening
{
    double milliseconds = 0;
    int rows = 0;
    QString count;
};

Opening openOnce(frmMain &window, PaintWatch &watch)
{
    Opening opening;
    watch.target = nullptr;
    watch.painted = false;
    const auto start = BenchStats::Clock::now();
    window.Toolbar1_ButtonClick();
    QElapsedTimer guard;
    guard.start();
    frmMainVIPs *vips = nullptr;
    while (guard.elapsed() < 30000) {
        if (!vips && (vips = openVipWindow()))
            watch.target = vips->ListView1()->viewport();
        if (vips && vips->loaded() && watch.painted)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    opening.milliseconds = BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
    if (!vips || !watch.painted)
        throw std::runtime_error("the VIP window did not show its list");
    opening.rows = vips->ListView1()->topLevelItemCount();
    opening.count = vips->Label4()->text();
    vips->close();
    delete vips;
    QCoreApplication::processEvents();
    return opening;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    const QCommandLineOption entriesOption(QStringLiteral("entries"), QStringLiteral("VIP guests entered."),
                                           QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Openings per set."),
                                        QStringLiteral("n"), QStringLiteral("7"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copies."),
                                                 {entriesOption, runsOption}, false);
    if (!commandLine.parse(app))
        return commandLine.usage();

    try {
        const QLocale english(QLocale::English);
        QString summary;
        QString table = QStringLiteral(
            "| invitations | rows listed | count shown | openings | median (ms) | max (ms) |\n"
            "|---:|---:|---|---:|---:|---:|\n");
        for (const QString &set : commandLine.sets()) {
            const QString work = BenchEnvironment::workingCopy(
                set, QDir(commandLine.work()).filePath(QFileInfo(set).fileName() + QStringLiteral("-vips")));
            const int64_t invitations = InvitationSample::invitationCount(
                QDir(work).filePath(QStringLiteral("checkin.db")));
            const int64_t expected = VipEntries::add(work, commandLine.parser.value(entriesOption).toInt());
            BenchEnvironment::useDemoSet(work);

            frmMain window;
            window.setProcessTerminator([](const QString &) { return false; });
            window.Form_Load();
            QCoreApplication::processEvents();
            PaintWatch watch;
            app.installEventFilter(&watch);
            openOnce(window, watch); // warm-up: the files into the page cache
            std::vector<double> samples;
            Opening last;
            for (int i = 0; i < commandLine.parser.value(runsOption).toInt(); ++i) {
                last = openOnce(window, watch);
                samples.push_back(last.milliseconds);
            }
            app.removeEventFilter(&watch);
            if (last.rows != expected)
                std::fprintf(stderr, "bench_vips: %d rows listed, %lld expected\n", last.rows,
                             static_cast<long long>(expected));
            const BenchStats::Summary s = BenchStats::summarize(samples);
            table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                         .arg(english.toString(qlonglong(invitations)), english.toString(last.rows), last.count)
                         .arg(s.count)
                         .arg(BenchStats::ms(s.median), BenchStats::ms(s.max));
            summary += QStringLiteral(
                           "| VIP window, %1 entries listed, %2 invitations | ≤ 300 ms | median %3 ms, max %4 ms |\n")
                           .arg(english.toString(last.rows), english.toString(qlonglong(invitations)),
                                BenchStats::ms(s.median), BenchStats::ms(s.max));
        }
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_vips: %s\n", error.what());
        return 1;
    }
    return 0;
}

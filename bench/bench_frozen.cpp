// A frozen server (SIGSTOP: its sockets take bytes and never answer) met by a check-in: the
// time from the Enter key event to the message box that says a server cannot be reached, with
// the desk's sessions pooled and opened anew, with the strings' own Connect Timeout (none: 15 s)
// and with "Connect Timeout=3". Before each timed check-in the desk checks in twice with the
// server answering, so the pool holds sessions of the server that then freezes.
//   bench_frozen --work DIR --markdown OUT.md --tds SERVER [--rounds N] SET
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "bench/benchtdsserver.h"
#include "data/sessionpool.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <exception>
#include <vector>

namespace {

void say(const QString &line)
{
    std::fprintf(stderr, "bench_frozen: %s\n", qPrintable(line));
}

struct Round
{
    double milliseconds = 0;
    QString message;
    QString zelmar;
    QString korda;
};

Round frozenCheckIn(frmMain &w, BenchTdsServer &server)
{
    for (int i = 0; i < 2; ++i) { // the pool filled with sessions of the answering server
        w.ui().FXNo_TAP->setText(QStringLiteral("424242"));
        w.VerifyCode();
    }
    Round round;
    BenchStats::Clock::time_point enter;
    MsgBox::setHandler([&](const QString &prompt, int, const QString &) {
        round.milliseconds = BenchStats::millisecondsBetween(enter, BenchStats::Clock::now());
        round.message = prompt;
        return int(MsgBox::OK);
    });
    server.freeze();
    w.ui().FXNo_TAP->setEnabled(true);
    w.ui().FXNo_TAP->setText(QStringLiteral("424242"));
    enter = BenchStats::Clock::now();
    QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_Return);
    server.thaw();
    MsgBox::setHandler(nullptr);
    round.zelmar = w.ui().Label_ZELMAR->text();
    round.korda = w.ui().Label_KORDA->text();
    w.Timer1_Timer(); // the pause ends at once
    return round;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);
    const QCommandLineOption tdsOption(QStringLiteral("tds"), QStringLiteral("quorvet-tds-server to freeze."),
                                       QStringLiteral("program"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Frozen check-ins per setting."),
                                          QStringLiteral("n"), QStringLiteral("3"));
    BenchEnvironment::SetCommandLine commandLine(QStringLiteral("Folder for the working copy."),
                                                 {tdsOption, roundsOption}, true);
    if (!commandLine.parse(app) || !commandLine.parser.isSet(tdsOption))
        return commandLine.usage();
    const int rounds = std::max(1, commandLine.parser.value(roundsOption).toInt());
    try {
        const QString work = BenchEnvironment::workingCopy(commandLine.sets().constFirst(),
                                                           commandLine.work() + QStringLiteral("/frozen"));
        QString table = QStringLiteral("| sessions pooled | Connect Timeout | rounds | Enter to message median (ms) "
                                       "| max (ms) | message and labels |\n|---|---:|---:|---:|---:|---|\n");
        QString summary;
        for (const char *pool : {"on", "off"}) {
            for (const int timeout : {0, 3}) {
                qputenv("QUORVET_SESSION_POOL", pool);
                SessionPool::clear();
                BenchTdsServer server;
                server.start(commandLine.parser.value(tdsOption), work);
                server.useForDesk(timeout ? QStringLiteral(";Connect Timeout=%1").arg(timeout) : QString());
                frmMain w;
                w.setProcessTerminator([](const QString &) { return false; });
                w.show();
                std::vector<double> times;
                QString shown;
                for (int r = 0; r < rounds; ++r) {
                    const Round round = frozenCheckIn(w, server);
                    times.push_back(round.milliseconds);
                    shown = round.message + QStringLiteral(" / ") + round.zelmar + QStringLiteral(" / ") + round.korda;
                    say(QStringLiteral("pool %1, Connect Timeout %2: %3 ms")
                            .arg(QLatin1String(pool))
                            .arg(timeout ? timeout : 15)
                            .arg(BenchStats::ms(round.milliseconds)));
                }
                w.close();
                const BenchStats::Summary s = BenchStats::summarize(times);
                const QString seconds = QString::number(timeout ? timeout : 15);
                table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                             .arg(QLatin1String(pool), timeout ? seconds : seconds + QStringLiteral(" (default)"))
                             .arg(s.count)
                             .arg(BenchStats::ms(s.median), BenchStats::ms(s.max), shown);
                summary += QStringLiteral("| frozen server, Enter to message, pool %1, Connect Timeout %2 s | "
                                          "%2 s plus little | %3 ms |\n")
                               .arg(QLatin1String(pool), seconds, BenchStats::ms(s.median));
            }
        }
        BenchEnvironment::writeText(commandLine.markdown(), table);
        BenchEnvironment::writeSummary(commandLine.markdown(), summary);
    } catch (const std::exception &error) {
        say(QString::fromLocal8Bit(error.what()));
        return 1;
    }
    return 0;
}

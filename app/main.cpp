// The desk's entry point: the application object and the main window.
#include "app/frmmain.h"
#include "app/readyprobe.h"
#include "app/screenshot.h"
#include "app/servercheck.h"
#include "app/startoptions.h"
#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"
#include "data/localreplica.h"
#include "forms/frmsqlserver.h"
#include "platform/buildinfo.h"
#include "platform/modprocessos.h"
#include "platform/msgbox.h"
#include "platform/processclock.h"
#include "ui/msgboxhandler.h"
#include "ui/qttranslations.h"

#include <QApplication>
#include <QLineEdit>

#include <cstdio>

namespace {

// The desk itself, from the application object on; its windows are gone when it returns.
int runDesk(const StartOptions &options)
{
    // Qt's own buttons and menus speak Portuguese like the rest of the desk.
    if (QtTranslations::installPortuguese().isEmpty())
        std::fprintf(stderr,
                     "quorvet: Qt's Portuguese translations were not found; standard buttons stay in English\n");

    // A headless screenshot cannot answer a box: without the handler the service writes
    // each box to stderr and answers it.
    if (options.screenshotPath.isEmpty())
        MsgBoxHandler::install();
    // A connection override no check-in could ever use is refused once, here.
    const QString configuration = Data::configurationError();
    if (!configuration.isEmpty()) {
        MsgBox::show(configuration, MsgBox::Critical, MsgBox::applicationTitle());
        return 2;
    }
    frmSQLServer::installAsServerDialog();
    // When the shut-down walk meets our own process, leave the event loop: the windows and
    // the application object are then destroyed and every file is flushed and closed.
    modProcessos::setOwnProcessExit([] { QCoreApplication::exit(0); });

    frmMain main;
    if (options.exitWhenReady) {
        new ReadyProbe(&main, main.ui().FXNo_TAP, [] {
            std::printf("ready %.1f ms %lld\n", ProcessClock::millisecondsSinceStart(),
                        static_cast<long long>(ProcessClock::monotonicNanoseconds()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    main.Form_Load();
    if (!options.screenshotPath.isEmpty()) {
        if (!options.checkinNumber.isEmpty() && !checkInForScreenshot(main, options.checkinNumber))
            return 1;
        return saveWindowScreenshot(main, options.screenshotPath) ? 0 : 1;
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    // Read before the application exists: --help, --version and a wrong option need no display.
    const StartOptions options = StartOptions::parse(CommandLine::arguments(argc, argv));
    const int answered = CommandLine::answer(options.request(), StartOptions::commandHelp(), BuildInfo::version(),
                                             BuildInfo::commit());
    if (answered >= 0)
        return answered;
    if (options.forgetCopy) {
        QString error;
        if (LocalReplica::forget(LocalReplica::defaultPath(), &error))
            return 0;
        std::fprintf(stderr, "quorvet: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    // The pre-flight check opens no window: a core application is all it needs.
    if (options.checkServer) {
        QCoreApplication app(argc, argv);
        ServerCheck check;
        const std::vector<ServerCheck::Line> lines = check.run();
        if (options.json) {
            std::fputs(ServerCheck::json(lines).constData(), stdout);
        } else {
            for (const ServerCheck::Line &line : lines)
                std::printf("%s\n", ServerCheck::text(line).toUtf8().constData());
        }
        return ServerCheck::exitCode(lines);
    }
    QApplication app(argc, argv);
    const int exitCode = runDesk(options);
    // A background read still held by a server that does not answer must not meet the SQL
    // drivers' clean-up in the application object's destructor.
    BackgroundConnection::endLeftovers(5000, exitCode);
    return exitCode;
}

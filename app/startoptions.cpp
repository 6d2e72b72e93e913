#include "app/startoptions.h"

#include <QCommandLineParser>

namespace {

QCommandLineOption screenshotOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("screenshot")},
                              QStringLiteral("Render the main window into a PNG file and exit."),
                              QStringLiteral("file"));
}

QCommandLineOption exitWhenReadyOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("exit-when-ready")},
                              QStringLiteral("Print the start-up time once the entry box has the focus, and exit."));
}

QCommandLineOption checkinOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("checkin")},
                              QStringLiteral("Check NUMBER in before the screenshot."), QStringLiteral("number"));
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    StartOptions options;
    QCommandLineParser parser;
    parser.addOption(screenshotOption());
    parser.addOption(exitWhenReadyOption());
    parser.addOption(checkinOption());
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().constFirst();
        return options;
    }
    options.screenshotPath = parser.value(screenshotOption());
    options.exitWhenReady = parser.isSet(exitWhenReadyOption());
    options.checkinNumber = parser.value(checkinOption());
    if (parser.isSet(screenshotOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--screenshot needs a file name");
    else if (parser.isSet(checkinOption()) && options.checkinNumber.trimmed().isEmpty())
        options.error = QStringLiteral("--checkin needs an invitation number");
    else if (parser.isSet(checkinOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--checkin is only used with --screenshot");
    return options;
}

QString StartOptions::usage()
{
    return QStringLiteral("usage: quorvet [--screenshot OUT.png [--checkin NUMBER] | --exit-when-ready]\n");
}

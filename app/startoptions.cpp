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

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    StartOptions options;
    QCommandLineParser parser;
    parser.addOption(screenshotOption());
    parser.addOption(exitWhenReadyOption());
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
    if (parser.isSet(screenshotOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--screenshot needs a file name");
    return options;
}

QString StartOptions::usage()
{
    return QStringLiteral("usage: quorvet [--screenshot OUT.png | --exit-when-ready]\n");
}

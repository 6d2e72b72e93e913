#include "app/startoptions.h"

#include <QCommandLineParser>

namespace {

QCommandLineOption screenshotOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("screenshot")},
                              QStringLiteral("Render the main window into a PNG file and exit."),
                              QStringLiteral("file"));
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    StartOptions options;
    QCommandLineParser parser;
    parser.addOption(screenshotOption());
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().constFirst();
        return options;
    }
    options.screenshotPath = parser.value(screenshotOption());
    if (parser.isSet(screenshotOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--screenshot needs a file name");
    return options;
}

QString StartOptions::usage()
{
    return QStringLiteral("usage: quorvet [--screenshot OUT.png]\n");
}

// quorvet-demo-db: creates the embedded demo databases of the desk (see democommandline.h).
#include "platform/buildinfo.h"
#include "platform/runtimeerror.h"
#include "tools/demodb/democommandline.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "tools/demodb/demoenvironment.h"
#include "tools/demodb/demosamples.h"

#include <QGuiApplication>

#include <cstdio>
#include <exception>

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char **argv)
{
    const DemoCommandLine::Parsed parsed = DemoCommandLine::parse(CommandLine::arguments(argc, argv));
    const int answered = CommandLine::answer(DemoCommandLine::request(parsed), DemoCommandLine::commandHelp(),
                                             BuildInfo::version(), BuildInfo::commit());
    if (answered >= 0)
        return answered;

    // The portraits are drawn with fonts, which need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (parsed.list) {
        print(stdout, DemoSamples::listing(QDate::currentDate()));
        return 0;
    }

    try {
        DemoDatabaseBuilder builder(parsed.options);
        builder.setProgress(
            [](const QString &line) { print(stderr, QStringLiteral("quorvet-demo-db: %1\n").arg(line)); });
        const QString directory = builder.build();
        if (parsed.printEnv)
            print(stdout, DemoEnvironment::shellLines(directory).join(QLatin1Char('\n')) + QLatin1Char('\n'));
    } catch (const RuntimeError &error) {
        print(stderr, QStringLiteral("quorvet-demo-db: %1\n").arg(error.description()));
        return 1;
    } catch (const std::exception &error) {
        print(stderr, QStringLiteral("quorvet-demo-db: %1\n").arg(QString::fromLocal8Bit(error.what())));
        return 1;
    }
    return 0;
}

// quorvet-journal: prints the desk's journal of scans as CSV or JSON lines.
//   quorvet-journal [--csv | --json] [--since YYYY-MM-DD[THH:MM]] [--journal FILE]
#include "data/deskjournal.h"
#include "data/journalformat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

namespace {

// The start of the period as the journal's time texts begin, or empty when not a date.
QString sinceText(const QString &value)
{
    if (QDate::fromString(value, QStringLiteral("yyyy-MM-dd")).isValid())
        return value;
    if (QDateTime::fromString(value, QStringLiteral("yyyy-MM-ddTHH:mm")).isValid())
        return value;
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvet-journal"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVET_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the desk's journal of scans."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("CSV with a header line (the default)."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("One JSON object per line."));
    const QCommandLineOption since(QStringLiteral("since"), QStringLiteral("Only scans from this local time on."),
                                   QStringLiteral("YYYY-MM-DD[THH:MM]"));
    const QCommandLineOption journal(QStringLiteral("journal"),
                                     QStringLiteral("The journal file to read (default: this desk's, ")
                                         + DeskJournal::defaultPath() + QLatin1Char(')'),
                                     QStringLiteral("file"));
    parser.addOptions({csv, json, since, journal});
    parser.process(app); // --help, --version and unknown options end here

    if (!parser.positionalArguments().isEmpty() || (parser.isSet(csv) && parser.isSet(json))) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }
    QString start;
    if (parser.isSet(since)) {
        start = sinceText(parser.value(since));
        if (start.isEmpty()) {
            std::fprintf(stderr, "quorvet-journal: --since wants YYYY-MM-DD or YYYY-MM-DDTHH:MM, not %s\n",
                         qPrintable(parser.value(since)));
            return 2;
        }
    }

    QString error;
    const QString path = parser.isSet(journal) ? parser.value(journal) : DeskJournal::defaultPath();
    const auto entries = DeskJournal::read(path, start, &error);
    if (!entries) {
        std::fprintf(stderr, "quorvet-journal: %s\n", qPrintable(error));
        return 1;
    }
    QByteArray out;
    if (parser.isSet(json)) {
        for (const JournalEntry &e : *entries)
            out += JournalFormat::jsonLine(e);
    } else {
        out += JournalFormat::csvHeader().toUtf8();
        for (const JournalEntry &e : *entries)
            out += JournalFormat::csvLine(e).toUtf8();
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

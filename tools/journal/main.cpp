// quorvet-journal: prints the desk's journal of scans as CSV or JSON lines.
//   quorvet-journal [--csv | --json] [--since YYYY-MM-DD[THH:MM]] [--journal FILE]
#include "data/deskjournal.h"
#include "data/journalformat.h"
#include "platform/buildinfo.h"
#include "platform/commandline.h"

#include <QCommandLineParser>
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

CommandLine::Help commandHelp()
{
    CommandLine::Help help;
    help.program = QStringLiteral("quorvet-journal");
    help.usage = QStringList{QStringLiteral("[--csv | --json] [--since YYYY-MM-DD[THH:MM]] [--journal FILE]")};
    help.description = QStringList{
        QStringLiteral("Prints the desk's journal of scans: every check-in attempt and every undo made at this "
                       "desk, with its local time, desk, the entry as typed, the verdict (accepted, not_found, used, "
                       "error, unreachable, undone, unconfirmed; for an entry decided without the server "
                       "accepted_offline, then delivered or conflict), the invitation's id and the entry time written "
                       "or found (for accepted_offline the time on the server's clock, for conflict this desk's time "
                       "and the server's, as ours/theirs)."),
    };
    help.options = {
        {QStringLiteral("--csv"), QStringLiteral("CSV with the header line time,desk,entry,verdict,convite_id,"
                                                 "entry_time (the default)")},
        {QStringLiteral("--json"), QStringLiteral("one JSON object per line")},
        {QStringLiteral("--since YYYY-MM-DD[THH:MM]"), QStringLiteral("only the scans from this local time on")},
        {QStringLiteral("--journal FILE"), QStringLiteral("read FILE, for example another desk's journal")},
    };
    help.environment = {
        {QStringLiteral("QUORVET_JOURNAL"), QStringLiteral("the journal file read without --journal")},
        {QStringLiteral("XDG_STATE_HOME"),
         QStringLiteral("without QUORVET_JOURNAL, the journal is $XDG_STATE_HOME/quorvet/journal.db "
                        "(~/.local/state/quorvet/journal.db)")},
    };
    help.files = {{QStringLiteral("journal.db"), QStringLiteral("read only; the program writes only to standard "
                                                                "output")}};
    return help;
}

} // namespace

int main(int argc, char **argv)
{
    QCommandLineParser parser;
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption since(QStringLiteral("since"), QString(), QStringLiteral("YYYY-MM-DD[THH:MM]"));
    const QCommandLineOption journal(QStringLiteral("journal"), QString(), QStringLiteral("FILE"));
    parser.addOptions({csv, json, since, journal});
    CommandLine::Request request = CommandLine::parse(parser, CommandLine::arguments(argc, argv));
    if (!request.stops() && !parser.positionalArguments().isEmpty())
        request.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
    if (!request.stops() && parser.isSet(csv) && parser.isSet(json))
        request.error = QStringLiteral("--csv and --json exclude each other");
    QString start;
    if (!request.stops() && parser.isSet(since)) {
        start = sinceText(parser.value(since));
        if (start.isEmpty())
            request.error = QStringLiteral("--since wants YYYY-MM-DD or YYYY-MM-DDTHH:MM, not ") + parser.value(since);
    }
    const int answered = CommandLine::answer(request, commandHelp(), BuildInfo::version(), BuildInfo::commit());
    if (answered >= 0)
        return answered;

    QString error;
    const QString path = parser.isSet(journal) ? parser.value(journal) : DeskJournal::defaultPath();
    // Each line goes to stdout as its row is read (stdio buffers), so memory stays that of
    // one row however long the journal is.
    const bool asJson = parser.isSet(json);
    bool headerWritten = false;
    const auto write = [](const QByteArray &bytes) { std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout); };
    const bool read = DeskJournal::read(
        path, start,
        [&](const JournalEntry &e) {
            if (asJson) {
                write(JournalFormat::jsonLine(e));
                return;
            }
            if (!headerWritten) {
                write(JournalFormat::csvHeader().toUtf8());
                headerWritten = true;
            }
            write(JournalFormat::csvLine(e).toUtf8());
        },
        &error);
    if (!read) {
        std::fprintf(stderr, "quorvet-journal: %s\n", qPrintable(error));
        return 1;
    }
    if (!asJson && !headerWritten)
        write(JournalFormat::csvHeader().toUtf8());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

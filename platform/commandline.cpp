#include "platform/commandline.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Width = 79;
// help2man reads a term whose text starts on the next line only when that text is indented
// by at least 20 columns.
constexpr int MinColumn = 20;
constexpr int MaxColumn = 32;

QCommandLineOption helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

QCommandLineOption versionOption()
{
    return QCommandLineOption(QStringLiteral("version"));
}

// Words of `text` in lines of at most `width` characters (a longer word keeps a line alone).
QStringList wrapped(const QString &text, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

// "Options:" and its entries, each text in a column just past the longest term.
QString section(const QString &title, const QList<CommandLine::Entry> &entries)
{
    if (entries.isEmpty())
        return QString();
    int longest = 0;
    for (const CommandLine::Entry &entry : entries)
        longest = std::max(longest, int(entry.term.size()));
    const int column = std::clamp(2 + longest + 2, MinColumn, MaxColumn);
    const QString indent(column, QLatin1Char(' '));
    QString out = QStringLiteral("\n") + title + QStringLiteral(":\n");
    for (const CommandLine::Entry &entry : entries) {
        QString head = QStringLiteral("  ") + entry.term;
        const QStringList lines = wrapped(entry.text, Width - column);
        if (head.size() + 2 > column) {
            out += head + QLatin1Char('\n');
            head.clear();
        }
        for (const QString &line : lines) {
            out += (head.isEmpty() ? indent : head.leftJustified(column)) + line + QLatin1Char('\n');
            head.clear();
        }
    }
    return out;
}

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace CommandLine {

QString Help::text() const
{
    QString out;
    for (qsizetype i = 0; i < usage.size(); ++i)
        out += (i == 0 ? QStringLiteral("Usage: ") : QStringLiteral("  or:  ")) + program + QLatin1Char(' ')
               + usage.at(i) + QLatin1Char('\n');
    for (const QString &paragraph : description)
        out += QLatin1Char('\n') + wrapped(paragraph, Width).join(QLatin1Char('\n')) + QLatin1Char('\n');
    QList<Entry> allOptions = options;
    allOptions << Entry{QStringLiteral("-h, --help"), QStringLiteral("show this help and exit")}
               << Entry{QStringLiteral("--version"), QStringLiteral("show the version and exit")};
    out += section(QStringLiteral("Options"), allOptions);
    out += section(QStringLiteral("Environment"), environment);
    out += section(QStringLiteral("Files"), files);
    return out;
}

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

Request parse(QCommandLineParser &parser, const QStringList &arguments)
{
    Request request;
    parser.addOption(helpOption());
    parser.addOption(versionOption());
    if (!parser.parse(arguments)) {
        request.error = parser.errorText();
        return request;
    }
    request.help = parser.isSet(helpOption());
    request.version = parser.isSet(versionOption());
    return request;
}

QString versionLine(const QString &program, const QString &version, const QString &commit)
{
    QString line = program + QLatin1Char(' ') + version;
    if (!commit.isEmpty())
        line += QStringLiteral(" (commit ") + commit + QLatin1Char(')');
    return line;
}

int answer(const Request &request, const Help &help, const QString &version, const QString &commit)
{
    if (!request.error.isEmpty()) {
        // The parser's texts may end with a full stop or span lines; the answer is one line.
        QString error = request.error.simplified();
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        print(stderr, QStringLiteral("%1: %2 (see '%1 --help')\n").arg(help.program, error));
        return 2;
    }
    if (request.help) {
        print(stdout, help.text());
        return 0;
    }
    if (request.version) {
        print(stdout, versionLine(help.program, version, commit) + QLatin1Char('\n'));
        return 0;
    }
    return -1;
}

} // namespace CommandLine

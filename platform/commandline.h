#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// What every installed program says about itself. Each program keeps its own options; this
// adds -h/--help and --version, lays the help out the same way for all of them (help2man
// makes the manual pages from it) and gives the same answers:
//   --help     the help on standard output, status 0
//   --version  "<program> <version>" on standard output, status 0
//   anything unusable: one line "<program>: <what is wrong> ..." on standard error, status 2.
namespace CommandLine {

// One entry of a help section: the term ("--seed S", a variable, a path) and what it means.
struct Entry
{
    QString term;
    QString text;
};

struct Help
{
    QString program;          // "quorvet-passwd"
    QStringList usage;        // each a way to call it, after the program's name: "[--machine-id FILE]"
    QStringList description;  // paragraphs
    QList<Entry> options;     // the program's own; --help and --version are added
    QList<Entry> environment; // the variables it reads
    QList<Entry> files;       // what it reads and where it writes

    // Laid out in 79 columns: "Usage:", the paragraphs, then "Options:", "Environment:" and
    // "Files:" with each entry's text in one column.
    QString text() const;
};

// What the command line asks for besides the program's own work.
struct Request
{
    bool help = false;
    bool version = false;
    QString error; // the complaint about an unusable command line, without the program's name

    bool stops() const { return help || version || !error.isEmpty(); }
};

// The arguments as the program received them (before any Qt application exists).
QStringList arguments(int argc, char **argv);

// Adds -h/--help and --version to `parser`, parses `arguments` (the program's name first) and
// says whether help, the version or an error stops the program. An error wins over help.
Request parse(QCommandLineParser &parser, const QStringList &arguments);

// "quorvet 0.1.0 (commit 1a2b3c4d5e6f)"; without a commit just the version.
QString versionLine(const QString &program, const QString &version, const QString &commit);

// Prints what `request` asks for and returns the exit status; -1 when the program goes on.
int answer(const Request &request, const Help &help, const QString &version, const QString &commit);

} // namespace CommandLine

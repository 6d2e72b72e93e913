#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class QCoreApplication;

// What every benchmark process shares: the offscreen 1280 x 800 screen, files the desk may
// write kept in a scratch folder, the demo databases to run on, and readings of the
// process's own resources. Failures to prepare (a missing demo set, a copy that fails)
// throw std::runtime_error with the path in the message; the benchmark then stops.
namespace BenchEnvironment {

// Call before the QApplication exists: the offscreen platform with a 1280 x 800 screen,
// and the error log, common application data, registry file and state folder in scratch.
void prepareProcess(const QString &scratch);

// Copies checkin.db and korda.db of a cached demo set into workFolder (replacing what is
// there), so runs that write entry times never change the cache. The photograph archives
// stay in the cache: the databases name them by absolute path. Returns workFolder.
QString workingCopy(const QString &cachedSet, const QString &workFolder);

// Points QUORVET_CONNECTION_SQLSERVER, _ZELMAR and _KORDA at the demo set in folder.
void useDemoSet(const QString &folder);

// VmRSS of this process in KiB, from /proc/self/status (0 when unreadable).
long residentKiB();
// VmHWM, the most resident memory this process has had, in KiB (0 when unreadable).
long peakResidentKiB();
// Number of open file descriptors of this process (-1 when unreadable).
int openFileDescriptors();

// Writes text (UTF-8) to path, creating its folder; throws when it cannot.
void writeText(const QString &path, const QString &text);

// Writes a benchmark's rows of the summary table ("| measure | target | measured |") beside
// its Markdown table, to markdownPath + ".summary".
void writeSummary(const QString &markdownPath, const QString &rows);

// The options every benchmark program takes: --markdown FILE (its table) and --work DIR
// (where its working copies go; description says what they are).
QCommandLineOption markdownOption();
QCommandLineOption workOption(const QString &description);

// The command line of a benchmark over cached demo sets: --work, --markdown and the set
// folders (exactly one with oneSet), beside the benchmark's own options, read from `parser`.
class SetCommandLine
{
public:
    SetCommandLine(const QString &workDescription, const QList<QCommandLineOption> &own, bool oneSet);
    // False when --work, --markdown or the sets are missing; the caller then returns usage().
    bool parse(const QCoreApplication &app);
    // Prints the help and answers the exit status for a wrong command line.
    int usage() const;

    QString work() const { return parser.value(QStringLiteral("work")); }
    QString markdown() const { return parser.value(QStringLiteral("markdown")); }
    QStringList sets() const { return parser.positionalArguments(); }

    QCommandLineParser parser;

private:
    bool m_oneSet;
};

} // namespace BenchEnvironment

#include "bench/benchenvironment.h"

#include "tools/demodb/demoenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QCoreApplication>

#include <cstdio>
#include <stdexcept>

#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

} // namespace

void BenchEnvironment::prepareProcess(const QString &scratch)
{
    QDir().mkpath(scratch);
    const QString screen = QDir(scratch).filePath(QStringLiteral("screen-1280x800.json"));
    writeText(screen, QStringLiteral(R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false,)"
                                     R"( "screens": [{"name": "Desk", "x": 0, "y": 0, "width": 1280, "height": 800,)"
                                     R"( "logicalDpi": 96, "logicalBpi": 96, "dpr": 1}]})"));
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen));
    qputenv("QUORVET_ERROR_LOG", QFile::encodeName(QDir(scratch).filePath(QStringLiteral("error-reports.log"))));
    qputenv("QUORVET_COMMON_APPDATA", QFile::encodeName(QDir(scratch).filePath(QStringLiteral("common-appdata"))));
    qputenv("QUORVET_REGISTRY_FILE", QFile::encodeName(QDir(scratch).filePath(QStringLiteral("registry.reg"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(QDir(scratch).filePath(QStringLiteral("state"))));
}

QString BenchEnvironment::workingCopy(const QString &cachedSet, const QString &workFolder)
{
    if (!QDir().mkpath(workFolder))
        fail(QStringLiteral("cannot create %1").arg(workFolder));
    for (const QString &name : {QStringLiteral("checkin.db"), QStringLiteral("korda.db")}) {
        const QString from = QDir(cachedSet).filePath(name);
        const QString to = QDir(workFolder).filePath(name);
        if (!QFileInfo(from).isFile())
            fail(QStringLiteral("no demo database %1 (run scripts/bench to build the cache)").arg(from));
        // A previous run may have left its WAL beside the copy; it belongs to the old file.
        for (const QString &stale : {to, to + QStringLiteral("-wal"), to + QStringLiteral("-shm")})
            QFile::remove(stale);
        if (!QFile::copy(from, to))
            fail(QStringLiteral("cannot copy %1 to %2").arg(from, to));
    }
    // The copies go to disk now rather than while a measurement runs beside their write-back.
    ::sync();
    return QFileInfo(workFolder).absoluteFilePath();
}

void BenchEnvironment::useDemoSet(const QString &folder)
{
    const QString dir = QFileInfo(folder).absoluteFilePath();
    qputenv("QUORVET_CONNECTION_SQLSERVER", DemoEnvironment::sqlServerConnection(dir).toUtf8());
    qputenv("QUORVET_CONNECTION_ZELMAR", DemoEnvironment::zelmarConnection(dir).toUtf8());
    qputenv("QUORVET_CONNECTION_KORDA", DemoEnvironment::kordaConnection(dir).toUtf8());
}

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in KiB (0 when unreadable).
long statusKiB(const QByteArray &name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    // /proc files report a size of zero, so QFile::atEnd() is true at once: read it whole.
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

} // namespace

long BenchEnvironment::residentKiB()
{
    return statusKiB("VmRSS");
}

long BenchEnvironment::peakResidentKiB()
{
    return statusKiB("VmHWM");
}

int BenchEnvironment::openFileDescriptors()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return -1;
    return int(fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
}

void BenchEnvironment::writeSummary(const QString &markdownPath, const QString &rows)
{
    writeText(markdownPath + QStringLiteral(".summary"), rows);
}

void BenchEnvironment::writeText(const QString &path, const QString &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        fail(QStringLiteral("cannot write %1").arg(path));
}

QCommandLineOption BenchEnvironment::markdownOption()
{
    return QCommandLineOption(QStringLiteral("markdown"), QStringLiteral("Markdown table to write."),
                              QStringLiteral("file"));
}

QCommandLineOption BenchEnvironment::workOption(const QString &description)
{
    return QCommandLineOption(QStringLiteral("work"), description, QStringLiteral("dir"));
}

BenchEnvironment::SetCommandLine::SetCommandLine(const QString &workDescription, const QList<QCommandLineOption> &own,
                                                 bool oneSet)
    : m_oneSet(oneSet)
{
    parser.addOptions({workOption(workDescription), markdownOption()});
    parser.addOptions(own);
    parser.addPositionalArgument(QStringLiteral("set"), oneSet ? QStringLiteral("Cached demo set folder.")
                                                               : QStringLiteral("Cached demo set folders."));
}

bool BenchEnvironment::SetCommandLine::parse(const QCoreApplication &app)
{
    parser.process(app);
    const qsizetype count = sets().size();
    return (m_oneSet ? count == 1 : count > 0) && !work().isEmpty() && !markdown().isEmpty();
}

int BenchEnvironment::SetCommandLine::usage() const
{
    std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
    return 2;
}

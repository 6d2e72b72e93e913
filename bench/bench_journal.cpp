// Journal reader: the peak resident memory of quorvet-journal printing a journal of 10,000,
// 100,000 and 1,000,000 scans as CSV and as JSON lines (output to /dev/null), and its time.
// The journal is made by the desk's own DeskJournal (so its schema is the desk's), then
// filled in one transaction with rows like a busy door's. Peak memory is the child's
// ru_maxrss from wait4(); a reader that streams keeps it level as the journal grows.
//   bench_journal --tool PATH --work DIR --markdown OUT.md [--rows N]
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "data/deskjournal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

extern char **environ;

namespace {

// A journal of `rows` scans at path (replacing what is there).
void writeJournal(const QString &path, int64_t rows)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    {
        DeskJournal journal(path);
        if (!journal.append(JournalEntry{QStringLiteral("2026-12-08T09:00:00.000"), QStringLiteral("desk-1"),
                                         QStringLiteral("1001"), QStringLiteral("accepted"), 1,
                                         QStringLiteral("2026-12-08T09:00:00")}))
            throw std::runtime_error("cannot write the journal: " + journal.lastError().toStdString());
    }
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // Verdicts and entries vary as at a door: mostly accepted, some used or unknown numbers.
    const std::string fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                             + std::to_string(rows - 1)
                             + ") INSERT INTO scans (time, desk, entry, verdict, convite_id, entry_time) "
                               "SELECT strftime('%Y-%m-%dT%H:%M:%S', '2026-12-08 09:00:00', '+' || (i / 20) || "
                               "' seconds') || '.' || printf('%03d', i % 1000), 'desk-' || (i % 8), "
                               "printf('%07d', 1000000 + i), CASE i % 10 WHEN 0 THEN 'used' WHEN 1 THEN "
                               "'not_found' ELSE 'accepted' END, CASE i % 10 WHEN 1 THEN NULL ELSE i END, "
                               "CASE i % 10 WHEN 1 THEN NULL ELSE strftime('%Y-%m-%dT%H:%M:%S', "
                               "'2026-12-08 09:00:00', '+' || (i / 20) || ' seconds') END FROM n";
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, ("BEGIN; " + fill + "; COMMIT; PRAGMA wal_checkpoint(TRUNCATE);").c_str(), nullptr,
                          nullptr, nullptr);
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot fill the journal: " + message);
}

struct Run
{
    long peakKiB;
    double ms;
};

// Runs the tool on the journal with its output thrown away; its peak RSS and wall time.
Run runTool(const QString &tool, const QString &journal, const char *format)
{
    const QByteArray toolPath = QFile::encodeName(tool);
    const QByteArray journalPath = QFile::encodeName(journal);
    std::vector<char *> argv{const_cast<char *>(toolPath.constData()), const_cast<char *>(format),
                             const_cast<char *>("--journal"), const_cast<char *>(journalPath.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = BenchStats::Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + tool.toStdString());
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("quorvet-journal failed on " + journal.toStdString());
    return Run{usage.ru_maxrss, BenchStats::millisecondsBetween(start, BenchStats::Clock::now())};
}

QString mib(long kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption toolOption(QStringLiteral("tool"), QStringLiteral("The quorvet-journal executable."),
                                        QStringLiteral("path"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Scans in the largest journal."),
                                        QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption markdownOption = BenchEnvironment::markdownOption();
    const QCommandLineOption workOption = BenchEnvironment::workOption(QStringLiteral("Where the journals go."));
    parser.addOptions({toolOption, rowsOption, markdownOption, workOption});
    parser.process(app);
    if (!parser.isSet(toolOption) || !parser.isSet(markdownOption) || !parser.isSet(workOption)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    try {
        const int64_t largest = parser.value(rowsOption).toLongLong();
        if (largest < 100)
            throw std::runtime_error("--rows wants 100 or more");
        QDir().mkpath(parser.value(workOption));
        const QString path = QDir(parser.value(workOption)).filePath(QStringLiteral("journal.db"));
        QString table = QStringLiteral(
            "| scans | file (MiB) | CSV peak RSS (MiB) | CSV time (ms) | JSON peak RSS (MiB) | "
            "JSON time (ms) |\n|---:|---:|---:|---:|---:|---:|\n");
        // The page cache of SQLite (2 MiB) fills over the first hundred thousand rows; after
        // that a streaming reader stays level, so the two largest journals are compared.
        std::vector<long> peaks;
        for (const int64_t rows : {largest / 100, largest / 10, largest}) {
            writeJournal(path, rows);
            const Run csv = runTool(parser.value(toolOption), path, "--csv");
            const Run json = runTool(parser.value(toolOption), path, "--json");
            const long peak = std::max(csv.peakKiB, json.peakKiB);
            peaks.push_back(peak);
            table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |\n")
                         .arg(rows)
                         .arg(mib(long(QFileInfo(path).size() / 1024)), mib(csv.peakKiB), BenchStats::ms(csv.ms),
                              mib(json.peakKiB), BenchStats::ms(json.ms));
            std::printf("%lld scans: CSV %s MiB, JSON %s MiB\n", static_cast<long long>(rows),
                        qPrintable(mib(csv.peakKiB)), qPrintable(mib(json.peakKiB)));
        }
        QFile::remove(path);
        BenchEnvironment::writeText(parser.value(markdownOption), table);
        BenchEnvironment::writeSummary(
            parser.value(markdownOption),
            QStringLiteral(
                "| quorvet-journal peak memory, %1 scans against %2 | flat (ratio ≤ 1.1) | %3 MiB, ratio %4 |\n")
                .arg(largest)
                .arg(largest / 10)
                .arg(mib(peaks[2]))
                .arg(QString::number(double(peaks[2]) / double(peaks[1]), 'f', 2)));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_journal: %s\n", error.what());
        return 1;
    }
    return 0;
}

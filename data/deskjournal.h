#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One scan at the desk as the journal keeps it. Times are local, "yyyy-MM-ddTHH:mm:ss.zzz"
// for the scan and "yyyy-MM-ddTHH:mm:ss" for the entry time written or found.
struct JournalEntry
{
    QString time;
    QString desk;
    QString entry; // as typed, blanks and all
    // accepted, not_found, used, error, unreachable, undone, unconfirmed; and for the entries
    // decided without the server: accepted_offline, then delivered or conflict (or undone)
    QString verdict;
    std::optional<int64_t> conviteId;
    QString entryTime; // empty when none is known
};

// The desk's own journal of every scan: an SQLite file on the desk machine (never in the
// organisers' databases), at $QUORVET_JOURNAL or $XDG_STATE_HOME/quorvet/journal.db.
// The file is opened on the first append and kept open; each append is one committed
// transaction in WAL mode, so an entry survives the process being killed the moment
// append() returns (a power cut may still take the last ones: the commit is not synced).
// append() never throws: a failure answers false with the reason in lastError(), and the
// next append tries to open the file again.
class DeskJournal
{
public:
    explicit DeskJournal(QString path = defaultPath());
    ~DeskJournal();
    DeskJournal(const DeskJournal &) = delete;
    DeskJournal &operator=(const DeskJournal &) = delete;

    static QString defaultPath();
    const QString &path() const { return m_path; }

    bool append(const JournalEntry &entry) noexcept;
    const QString &lastError() const { return m_lastError; }

    // The entries of a journal file in the order they were written, from `since` on (a
    // prefix of the time text such as "2026-12-08" or "2026-12-08T14:30"; empty for all).
    // Opens the file read-only; a missing or unreadable file answers nullopt with `error` set.
    static std::optional<std::vector<JournalEntry>> read(const QString &path, const QString &since, QString *error);
    // The same, handing each entry to `each` as it is read, so a journal of any length is
    // read in the memory of one entry. Answers false with `error` set when the file cannot be
    // read (possibly after some entries were handed over).
    using EntrySink = std::function<void(const JournalEntry &)>;
    static bool read(const QString &path, const QString &since, const EntrySink &each, QString *error);

    // The entries of one invitation made at one desk, in the order they were written; none when
    // the file cannot be read.
    static std::vector<JournalEntry> entriesOf(const QString &path, int64_t conviteId, const QString &desk);
    // The entries one desk decided without the server (accepted_offline) that no later
    // delivered, conflict or undone entry of the same invitation and desk settles, in the
    // order they were made; none when the file cannot be read or does not exist.
    static std::vector<JournalEntry> pendingOffline(const QString &path, const QString &desk);
    // The last entry of a verdict made at one desk (none or one).
    static std::vector<JournalEntry> lastOfVerdict(const QString &path, const QString &desk, const QString &verdict);

private:
    bool open();
    void close();

    QString m_path;
    QString m_lastError;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
};

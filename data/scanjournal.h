#pragma once

#include "data/deskjournal.h"
#include "data/value.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// A server time as it stands, with no time-zone conversion (a UTC QDateTime, which has no
// gaps); invalid for Null, Empty, the zero date or a text that is no date. Dates come as
// Dates from the providers, GETDATE() of an expression column possibly as its text.
QDateTime serverInstant(const Value &time);

// The span of the server's clock in which an accepting update whose reply was lost may have
// written its entry: from the clock read just before it to the clock read after it (or, when
// that could not be read, the clock before plus the time the desk waited). Written to the
// journal as "from/to" (ISO 8601 interval, milliseconds).
struct EntryWindow
{
    QDateTime from;
    QDateTime to;

    bool isValid() const { return from.isValid() && to.isValid(); }
    // Within the window, a DATETIME tick (3 ms) either side.
    bool contains(const Value &entryTime) const;
    QString text() const;
    static EntryWindow fromText(const QString &text);
};

// The server's clock as last read, carried forward on the desk's monotonic clock, so that an
// accepting update may open its window without asking the server for the time first.
// earliest() is an instant the server's clock has certainly passed: the reading (taken by the
// server before its reply left) plus the time since its reply arrived, less a slew of 500 ppm
// (the most NTP allows) and 4 ms for GETDATE()'s rounding. A reading older than a minute gives
// none: a desk that stood still that long asks again.
class ServerClock
{
public:
    static constexpr qint64 MaxAgeMs = 60 * 1000;

    void read(const QDateTime &serverTime);
    std::optional<QDateTime> earliest() const { return earliestAfter(m_since.isValid() ? m_since.elapsed() : -1); }
    // As earliest(), elapsedMs after the reading arrived (negative: never read).
    std::optional<QDateTime> earliestAfter(qint64 elapsedMs) const;

private:
    QDateTime m_server;
    QElapsedTimer m_since;
};

// An entry the desk decided without the server (verdict accepted_offline): the scan's time on
// the desk's clock, and the same moment on the server's clock (the desk's time plus the offset
// of the server's clock to the desk's as last measured), which is the entry time delivered.
// Both zone-less instants (UTC-tagged, as serverInstant gives them).
struct OfflineEntry
{
    int32_t conviteId = 0;
    QString typed;
    QDateTime deskTime;
    QDateTime serverTime;

    // The desk's clock now, as a zone-less instant comparable with serverInstant's.
    static QDateTime deskNow();
};

// What the desk writes to its journal after each verdict and undo: the scan's local time
// with milliseconds, this machine's host name, the entry as typed, the verdict name,
// convite_id when known (0 means none) and the entry time written or found. An undo of the
// invitation recorded last carries the entry time it cleared. record() never throws and
// never waits long: a journal that cannot be written is reported once to the error report
// (again only after a write has worked in between) and the desk goes on.
class ScanJournal
{
public:
    explicit ScanJournal(QString path = DeskJournal::defaultPath());

    void record(const QString &typed, const QString &verdict, int32_t conviteId, const Value &entryTime) noexcept;
    // An accepting update whose reply was lost and whose row could not be read again: the
    // entry may be in, written by this desk within window (verdict "unconfirmed").
    void recordUnconfirmed(const QString &typed, int32_t conviteId, const EntryWindow &window) noexcept;

    // How this desk knows an entry time found on an invitation: not at all, as the time it wrote
    // (its last check-in of that invitation, not undone since), or as falling in the window of
    // an unconfirmed attempt of its own. From what this object recorded, else from the journal
    // file (so also across a restart of the desk).
    enum class Own { No, Written, Unconfirmed };
    Own ownEntry(int32_t conviteId, const Value &entryTime) const noexcept;

    // The entries decided without the server. Each is one row: accepted_offline, at the scan's
    // time on the desk's clock, with the entry time on the server's clock (their difference is
    // the offset used). It stays pending until a later row of the same invitation settles it:
    // delivered (with the time the server holds), conflict ("ours/theirs": another desk's entry
    // was there first) or undone (with the entry time it takes back). Pending entries are read
    // from the journal file, so a desk restarted delivers what it left. recordOffline answers
    // false when the row could not be written: the entry is then not to be accepted.
    bool recordOffline(const OfflineEntry &entry) noexcept;
    bool recordOfflineUndo(const OfflineEntry &entry) noexcept;
    void recordDelivered(const OfflineEntry &entry, const Value &serverEntry) noexcept;
    void recordConflict(const OfflineEntry &entry, const Value &serverEntry) noexcept;
    std::vector<OfflineEntry> pendingOffline() const;
    // The pending entry of an invitation, if any.
    std::optional<OfflineEntry> pendingOffline(int32_t conviteId) const;
    // The offset of the server's clock to the desk's from the last accepted online entry in the
    // journal (its entry time, to the second, less its scan time); nullopt without one.
    std::optional<qint64> journalledClockOffsetMs() const;

    // "yyyy-MM-ddTHH:mm:ss" for a date, empty for Empty, Null or the zero date.
    static QString entryTimeText(const Value &entryTime);

    const DeskJournal &journal() const { return m_journal; }

private:
    bool appendRow(const QString &typed, const QString &verdict, int32_t conviteId, const QString &entryTime,
                   const QString &time, const char *procedure) noexcept;

    DeskJournal m_journal;
    QString m_desk;
    bool m_failureReported = false;
    int32_t m_lastConviteId = 0;
    QString m_lastEntryTime;
    // What this desk last wrote or attempted per invitation, as the journal rows say it.
    struct OwnState
    {
        QString written; // the entry time text of an accepted scan; empty after an undo
        EntryWindow window;
    };
    static void apply(OwnState &state, const QString &verdict, const QString &entryTime);
    std::map<int32_t, OwnState> m_own;
};

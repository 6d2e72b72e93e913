#pragma once

#include "data/deskjournal.h"
#include "data/value.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>

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

    // "yyyy-MM-ddTHH:mm:ss" for a date, empty for Empty, Null or the zero date.
    static QString entryTimeText(const Value &entryTime);

    const DeskJournal &journal() const { return m_journal; }

private:
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

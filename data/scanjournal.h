#pragma once

#include "data/deskjournal.h"
#include "data/value.h"

#include <QString>

#include <cstdint>

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

    // "yyyy-MM-ddTHH:mm:ss" for a date, empty for Empty, Null or the zero date.
    static QString entryTimeText(const Value &entryTime);

    const DeskJournal &journal() const { return m_journal; }

private:
    DeskJournal m_journal;
    QString m_desk;
    bool m_failureReported = false;
    int32_t m_lastConviteId = 0;
    QString m_lastEntryTime;
};

#pragma once

#include "data/connection.h"
#include "data/scanjournal.h"
#include "data/value.h"

#include <QString>

#include <cstdint>
#include <memory>

// The desk's record of its scans: every verdict and undo goes to the desk's journal
// (ScanJournal), opened at the first scan, so that a desk that never checks anyone in writes
// no journal. Owned by the main window. Nothing here shows anything; a journal that cannot be
// written is reported by ScanJournal and the desk goes on.
class ScanRecorder
{
public:
    // Records the scan typed with its verdict (accepted, not_found, used, error, unreachable or
    // undone). An accepted or used verdict that brings no entry time gets the one the server
    // holds for conviteId, read on checkin when that connection is there; the scan is recorded
    // without it when it cannot be read.
    void record(const QString &typed, const QString &verdict, int32_t conviteId, const Value &entryTime,
                const ConnectionRef &checkin) noexcept;
    // An accepting update whose reply was lost (see ScanJournal::recordUnconfirmed).
    void recordUnconfirmed(const QString &typed, int32_t conviteId, const EntryWindow &window);
    // How this desk knows the entry time found on conviteId (see ScanJournal::ownEntry).
    ScanJournal::Own ownEntry(int32_t conviteId, const Value &entryTime);

private:
    ScanJournal &journal();

    std::unique_ptr<ScanJournal> m_journal;
};

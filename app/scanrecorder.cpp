#include "app/scanrecorder.h"

#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/recordset.h"

void ScanRecorder::record(const QString &typed, const QString &verdict, int32_t conviteId, const Value &entryTime,
                          const ConnectionRef &checkin) noexcept
{
    try {
        Value time = entryTime;
        // The entry time just written, or the one another desk wrote first, is the server's.
        if ((verdict == QLatin1String("accepted") || verdict == QLatin1String("used"))
            && !CheckinVerdict::hasEntryTime(time) && conviteId != 0 && checkin) {
            try {
                Recordset rs;
                rs.Open(CheckinQueries::entryTime(conviteId), checkin);
                if (!rs.Eof())
                    time = rs.Fields("checked_in").Value();
                rs.Close();
            } catch (...) {
                // The scan is journalled without it.
            }
        }
        journal().record(typed, verdict, conviteId, time);
    } catch (...) {
        // Nothing after the verdict may change it or stop the desk.
    }
}

void ScanRecorder::recordUnconfirmed(const QString &typed, int32_t conviteId, const EntryWindow &window)
{
    journal().recordUnconfirmed(typed, conviteId, window);
}

ScanJournal::Own ScanRecorder::ownEntry(int32_t conviteId, const Value &entryTime)
{
    return journal().ownEntry(conviteId, entryTime);
}

ScanJournal &ScanRecorder::journal()
{
    if (!m_journal)
        m_journal = std::make_unique<ScanJournal>();
    return *m_journal;
}

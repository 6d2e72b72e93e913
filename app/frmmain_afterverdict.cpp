// frmMain::afterVerdict: what follows a verdict on screen and an undo. The scan goes to the
// desk's journal and the live count takes this desk's own entry or undo at once.
#include "app/frmmain.h"

#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/entrycounter.h"
#include "data/recordset.h"
#include "data/scanjournal.h"
#include "ui/verdictsound.h"

#include <QLineEdit>

void frmMain::afterVerdict(const char *verdict, const Value &entryTime) noexcept
{
    // The sound first: it is part of the verdict, the journal and the count are not.
    m_verdictSounds->playVerdict(QLatin1String(verdict));
    try {
        const QString name = QLatin1String(verdict);
        Value time = entryTime;
        // The entry time just written, or the one another desk wrote first, is the server's.
        if ((name == QLatin1String("accepted") || name == QLatin1String("used"))
            && !CheckinVerdict::hasEntryTime(time) && LastConviteID != 0 && m_ConnSqlServer) {
            try {
                Recordset rs;
                rs.Open(CheckinQueries::entryTime(LastConviteID), m_ConnSqlServer);
                if (!rs.Eof())
                    time = rs.Fields("checked_in").Value();
                rs.Close();
            } catch (...) {
                // The scan is journalled without it.
            }
        }
        if (!m_scanJournal)
            m_scanJournal = std::make_shared<ScanJournal>();
        // Unreachable databases end the check-in before LastConviteID is reset for it.
        const int32_t conviteId = name == QLatin1String("unreachable") ? 0 : LastConviteID;
        m_scanJournal->record(m_FXNo_TAP->text(), name, conviteId, time);
        if (m_entryCounter && name == QLatin1String("accepted"))
            m_entryCounter->adjust(+1);
        else if (m_entryCounter && name == QLatin1String("undone"))
            m_entryCounter->adjust(-1);
        if (name == QLatin1String("accepted") || name == QLatin1String("undone"))
            refreshStatistics();
    } catch (...) {
        // Nothing after the verdict may change it or stop the desk.
    }
}

// frmMain::VerifyCode: one invitation from the entry box to the verdict and the entry time.
// CheckinDesk decides; the window locks, shows and unlocks.
#include "app/checkindesk.h"
#include "app/frmmain.h"
#include "app/offlinedoor.h"

#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/scanjournal.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/runtimeerror.h"
#include "platform/textutil.h"
#include "ui/paintnow.h"
#include "ui/vbtimer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>

void frmMain::VerifyCode()
{
    if (TextUtil::trimSpaces(m_FXNo_TAP->text()).isEmpty())
        return;
    // The steps' times are noted for the benchmarks; nothing depends on them.
    m_steps = CheckinSteps();
    QElapsedTimer clock;
    clock.start();
    const auto lap = [&clock](double &step) {
        step = clock.nsecsElapsed() / 1e6;
        clock.restart();
    };
    try {
        lockForCheckin();
        if (m_offlineDoor && m_offlineDoor->isOffline()) {
            m_offlineDoor->checkIn();
            unlockAfterVerdict();
            return;
        }
        const QString unreachable = Connect();
        lap(m_steps.connect);
        if (!unreachable.isEmpty()) {
            afterVerdict("unreachable"); // before the box, which waits for the operator
            const auto offer = m_offlineDoor ? m_offlineDoor->afterConnectFailed(unreachable)
                                             : OfflineDoor::Offer::NotOffered;
            if (offer == OfflineDoor::Offer::Offline)
                m_offlineDoor->checkIn();
            else if (offer == OfflineDoor::Offer::NotOffered)
                MsgBox::show(unreachable, MsgBox::OKOnly | MsgBox::Information, windowTitle());
            unlockAfterVerdict();
            return;
        }

        LastConviteID = 0;
        CheckinDesk desk(m_ConnSqlServer, m_ConnZELMAR, ConnKORDA, LastConviteID);
        CheckinResult result = desk.lookUp(TextUtil::trimSpaces(TextUtil::foldLookAlikes(m_FXNo_TAP->text())),
                                           [this](RecordsetRef &row) { FillFields(row); });
        if (result.invitationFound && CheckinVerdict::hasEntryTime(result.entryTime)) {
            // An entry this desk wrote (or may have written, its reply lost) is not another's.
            if (!m_scanJournal)
                m_scanJournal = std::make_shared<ScanJournal>();
            CheckinDesk::claimOwnEntry(result, m_scanJournal->ownEntry(LastConviteID, result.entryTime));
        }
        if (result.invitationFound && !result.member)
            FXNome_Union()->setText(result.guestName);
        if (result.loadPhotograph)
            loadPhotograph(desk, result);
        lap(m_steps.lookUp);
        desk.recordEntry(result);
        if (m_offlineDoor && result.serverClockOffsetMs)
            m_offlineDoor->setServerClockOffset(*result.serverClockOffsetMs);
        m_writtenEntryTime = result.writtenEntryTime;
        lap(m_steps.entry);
        if (result.unconfirmed) {
            // The entry may be in, and the server cannot say: as unreachable, and journalled
            // with its window so that this desk knows the entry as its own when it finds it.
            if (!m_scanJournal)
                m_scanJournal = std::make_shared<ScanJournal>();
            m_scanJournal->recordUnconfirmed(m_FXNo_TAP->text(), LastConviteID, result.window);
            MsgBox::show(CheckinVerdict::connectFailedText(), MsgBox::OKOnly | MsgBox::Information, windowTitle());
            unlockAfterVerdict();
            return;
        }

        ShowMessage(result.verdict.kind, result.verdict.text, result.verdict.callSign);
        unlockAfterVerdict();
        // The verdict reaches the screen before anything that follows it.
        PaintNow::pendingChanges(this);
        lap(m_steps.show);
        afterVerdict(result.journalVerdict(), result.entryTime);
        lap(m_steps.after);
    } catch (...) {
        const CurrentError error = currentError();
        // After a failure the desk unlocks at once.
        m_Timer1->setInterval(1);
        const CheckinVerdict verdict = CheckinVerdict::failure(error.description);
        ShowMessage(verdict.kind, verdict.text, verdict.callSign);
        unsetCursor();
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("VerifyCode"), error.number,
                                 error.description);
        afterVerdict("error");
    }
}

void frmMain::lockForCheckin()
{
    // The desk stays locked (box disabled, timer armed but silent) until the pause ends.
    setCursor(Qt::WaitCursor);
    m_Timer1->setEnabled(true);
    m_Timer1->setInterval(0);
    m_FXNo_TAP->setEnabled(false);
    // Until this check-in writes an entry there is none of this desk's to undo.
    m_writtenEntryTime = Value::null();
    QPalette grey = m_FXNo_TAP->palette();
    grey.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    m_FXNo_TAP->setPalette(grey);
}

void frmMain::loadPhotograph(CheckinDesk &desk, const CheckinResult &result)
{
    // The control may hand back another connection object; it becomes ours.
    ConnectionRef &connection = desk.organisationConnection(result.photoSource);
    m_ucIDFotos1->setConnection(connection);
    m_ucIDFotos1->setArchiveFolder(result.archiveFolder);
    m_ucIDFotos1->setContactID(result.photoMemberId);
    m_ucIDFotos1->Load(result.photoMemberId, false, &connection);
}

void frmMain::unlockAfterVerdict()
{
    // The verdict stays on screen; the timer gives the entry box back after two seconds.
    unsetCursor();
    m_Timer1->setInterval(2000);
}

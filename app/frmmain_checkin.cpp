// frmMain::VerifyCode: one invitation from the entry box to the verdict and the entry time,
// on the three connections Connect makes anew; CheckinDesk decides, the window locks, shows and
// unlocks, and afterVerdict hands the verdict to the sound, the journal and the count.
#include "app/frmmain.h"

#include "app/checkindesk.h"
#include "app/entrycountdisplay.h"
#include "app/offlinedoor.h"
#include "app/soundcontrols.h"
#include "app/statisticslauncher.h"
#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/connectdeadline.h"
#include "data/dataenvironment.h"
#include "data/modtestconnection.h"
#include "data/provedconnection.h"
#include "idfotos/ucidfotos.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/runtimeerror.h"
#include "platform/textutil.h"
#include "ui/paintnow.h"
#include "ui/vbtimer.h"
#include "ui/verdictsound.h"
#include "ui/widgetowner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>

void frmMain::VerifyCode()
{
    if (TextUtil::trimSpaces(m_ui->FXNo_TAP->text()).isEmpty())
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
        CheckinDesk desk(m_ConnSqlServer, m_ConnZELMAR, ConnKORDA, LastConviteID, m_serverClock);
        CheckinResult result = desk.lookUp(TextUtil::trimSpaces(TextUtil::foldLookAlikes(m_ui->FXNo_TAP->text())),
                                           [this](RecordsetRef &row) { FillFields(row); });
        if (result.invitationFound && CheckinVerdict::hasEntryTime(result.entryTime)) {
            // An entry this desk wrote (or may have written, its reply lost) is not another's.
            CheckinDesk::claimOwnEntry(result, m_scans.ownEntry(LastConviteID, result.entryTime));
        }
        if (result.invitationFound && !result.member)
            m_ui->FXNome_Union->setText(result.guestName);
        if (result.loadPhotograph)
            loadPhotograph(desk, result);
        lap(m_steps.lookUp);
        desk.recordEntry(result);
        if (m_offlineDoor && result.serverClockOffsetMs)
            m_offlineDoor->setServerClockOffset(*result.serverClockOffsetMs);
        lap(m_steps.entry);
        if (result.unconfirmed) {
            // The entry may be in, and the server cannot say: as unreachable, and journalled
            // with its window so that this desk knows the entry as its own when it finds it.
            m_scans.recordUnconfirmed(m_ui->FXNo_TAP->text(), LastConviteID, result.window);
            MsgBox::show(CheckinVerdict::connectFailedText(), MsgBox::OKOnly | MsgBox::Information, windowTitle());
            unlockAfterVerdict();
            return;
        }

        ShowMessage(result.verdict.kind, result.verdict.text, result.verdict.callSign);
        unlockAfterVerdict();
        // The verdict reaches the screen before anything that follows it: the written entry's
        // time (for the undo and the journal), the sound, the journal and the count.
        PaintNow::pendingChanges(this);
        lap(m_steps.show);
        desk.readBackEntry(result);
        if (m_offlineDoor && result.serverClockOffsetMs)
            m_offlineDoor->setServerClockOffset(*result.serverClockOffsetMs);
        m_writtenEntryTime = result.writtenEntryTime;
        afterVerdict(result.journalVerdict(), result.entryTime);
        lap(m_steps.after);
    } catch (...) {
        const CurrentError error = currentError();
        // After a failure the desk unlocks at once.
        m_ui->Timer1->setInterval(1);
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
    m_ui->Timer1->setEnabled(true);
    m_ui->Timer1->setInterval(0);
    m_ui->FXNo_TAP->setEnabled(false);
    // Until this check-in writes an entry there is none of this desk's to undo.
    m_writtenEntryTime = Value::null();
    QPalette grey = m_ui->FXNo_TAP->palette();
    grey.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    m_ui->FXNo_TAP->setPalette(grey);
}

void frmMain::loadPhotograph(CheckinDesk &desk, const CheckinResult &result)
{
    // The control may hand back another connection object; it becomes ours.
    ConnectionRef &connection = desk.organisationConnection(result.photoSource);
    m_ui->ucIDFotos1->setConnection(connection);
    m_ui->ucIDFotos1->setArchiveFolder(result.archiveFolder);
    m_ui->ucIDFotos1->setContactID(result.photoMemberId);
    m_ui->ucIDFotos1->Load(result.photoMemberId, false, &connection);
}

void frmMain::unlockAfterVerdict()
{
    // The verdict stays on screen; the timer gives the entry box back after two seconds.
    unsetCursor();
    m_ui->Timer1->setInterval(2000);
}

namespace {

// One connection test: the named connection's string and registry entry, the main window
// as owner, no retrying.
bool testNamed(ConnectionRef &connection, int memberId, QString connectionString, modTestConnection::OwnerForm *owner)
{
    QString registryEntry = Data::registryEntry(memberId);
    bool retry = false;
    return modTestConnection::TestConnection(connection, registryEntry, owner, connectionString, retry);
}

} // namespace

QString frmMain::Connect()
{
    QString result;
    try {
        m_ui->Label_KORDA->setText(QString());
        m_ui->Label_ZELMAR->setText(QString());
        PaintNow::pendingChanges(this);

        // The previous three objects are let go when this call ends (unless someone else
        // still holds one), after the new ones have been opened and proved: a database that
        // keeps an open connection throughout is not checkpointed, flushed to disk and its
        // journal deleted and re-created at every check-in, which on the embedded store cost
        // more than ten milliseconds per check-in that followed an entry.
        const ConnectionRef previous[] = {ConnKORDA, m_ConnZELMAR, m_ConnSqlServer};
        ConnKORDA = std::make_shared<Connection>();
        m_ConnZELMAR = std::make_shared<Connection>();
        m_ConnSqlServer = std::make_shared<Connection>();

        const QString zelmarString = Data::connectionString(Data::ZelmarId);
        const QString kordaString = Data::connectionString(Data::KordaId);
        const QString checkinString = Data::connectionString(Data::SqlServerId);
        m_ConnZELMAR->setConnectionString(zelmarString);
        ConnKORDA->setConnectionString(kordaString);
        m_ConnSqlServer->setConnectionString(checkinString);

        WidgetOwner owner(this);
        bool allWork = true;
        const ConnectDeadline deadline(ProvedConnection::connectSeconds());

        const bool zelmar = testNamed(m_ConnZELMAR, Data::ZelmarId, zelmarString, &owner);
        m_ui->Label_ZELMAR->setVisible(true);
        m_ui->Label_ZELMAR->setText(zelmar ? QStringLiteral("Conectado ao servidor do ZELMAR")
                                           : QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
        allWork = allWork && zelmar;
        PaintNow::pendingChanges(this);

        const bool korda = testNamed(ConnKORDA, Data::KordaId, kordaString, &owner);
        m_ui->Label_KORDA->setVisible(true);
        m_ui->Label_KORDA->setText(korda ? QStringLiteral("Conectado ao servidor da KORDA")
                                         : QStringLiteral("ERRO: não foi possivel ligar ao servidor da KORDA"));
        allWork = allWork && korda;
        PaintNow::pendingChanges(this);

        const bool checkin = testNamed(m_ConnSqlServer, Data::SqlServerId, checkinString, &owner);
        allWork = allWork && checkin;
        PaintNow::pendingChanges(this);

        if (!allWork)
            result = CheckinVerdict::connectFailedText();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Connect"));
        return QString();
    }
    return result;
}

void frmMain::afterVerdict(const char *verdict, const Value &entryTime) noexcept
{
    // The sound first: it is part of the verdict, the journal and the count are not.
    m_sound->player()->playVerdict(QLatin1String(verdict));
    try {
        const QString name = QLatin1String(verdict);
        // Unreachable databases end the check-in before LastConviteID is reset for it.
        const int32_t conviteId = name == QLatin1String("unreachable") ? 0 : LastConviteID;
        m_scans.record(m_ui->FXNo_TAP->text(), name, conviteId, entryTime, m_ConnSqlServer);
        if (name == QLatin1String("accepted"))
            m_entryCount->adjust(+1);
        else if (name == QLatin1String("undone"))
            m_entryCount->adjust(-1);
        if (name == QLatin1String("accepted") || name == QLatin1String("undone"))
            m_statistics->refresh();
    } catch (...) {
        // Nothing after the verdict may change it or stop the desk.
    }
}

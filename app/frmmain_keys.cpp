// frmMain::FXNo_TAP_KeyDown: Enter verifies, Esc offers to undo the last entry, any other
// key clears the previous guest from the screen.
#include "app/frmmain.h"
#include "app/offlinedoor.h"

#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/connectdeadline.h"
#include "data/dataenvironment.h"
#include "data/provedconnection.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/runtimeerror.h"
#include "ui/modcontrols.h"
#include "ui/vbkeys.h"

#include <QLabel>
#include <QLineEdit>

void frmMain::FXNo_TAP_KeyDown(int16_t keyCode, int16_t shift)
{
    Q_UNUSED(shift);
    try {
        switch (keyCode) {
        case VbKeys::KeyReturn:
            // The whole number becomes selected, so the next one typed or scanned replaces it.
            modControls::EditControl(m_FXNo_TAP, 3);
            VerifyCode();
            break;
        case VbKeys::KeyEscape: {
            if (m_offlineDoor && m_offlineDoor->undoOffline())
                break;
            // Only an entry that this desk's last check-in wrote can be undone.
            if (LastConviteID == 0 || !CheckinVerdict::hasEntryTime(m_writtenEntryTime))
                break;
            const QString prompt = QStringLiteral("Deseja anular a última entrada em nome de:")
                                   + QStringLiteral("\n\r\n\r") + FXNome_Union()->text();
            const int answer = MsgBox::show(prompt, MsgBox::Question | MsgBox::YesNo,
                                            QStringLiteral("Anular última entrada"));
            if (answer != MsgBox::Yes)
                break;
            // On a session that answers now (the pool's probe, or a new login), within the
            // connect deadline; the last check-in's connection may have lost its server since.
            int64_t changed = -1;
            ConnectionRef proved;
            try {
                const ConnectDeadline deadline(ProvedConnection::connectSeconds());
                proved = ProvedConnection::open(Data::SqlServerId, false);
                proved->Execute(CheckinQueries::undoEntry(LastConviteID, m_writtenEntryTime), &changed);
            } catch (...) {
                // No session, or the link lost on the way: nothing known to be undone. The entry
                // stays on screen and the next Esc tries again. A refusal by the server is an error.
                const DbErrors *errors = proved ? &proved->Errors() : nullptr;
                const QString state = errors && errors->Count() > 0 ? errors->Item(errors->Count() - 1).SQLState()
                                                                    : QString();
                if (proved && !state.startsWith(QLatin1String("08")) && !state.startsWith(QLatin1String("HYT")))
                    throw;
                MsgBox::show(QStringLiteral("A entrada não foi anulada: não foi possivel ligar ao servidor. "
                                            "Volte a tentar s.f.f."),
                             MsgBox::OKOnly | MsgBox::Information, QStringLiteral("Anular última entrada"));
                break;
            }
            if (changed == 0) {
                // Another desk changed the entry since this desk wrote it; it is not ours to clear.
                MsgBox::show(QStringLiteral("A última entrada foi alterada noutro posto depois de registada aqui. "
                                            "Nada foi anulado."),
                             MsgBox::OKOnly | MsgBox::Information, QStringLiteral("Anular última entrada"));
                break;
            }
            afterVerdict("undone");
            LimparForm();
            break;
        }
        default:
            LimparForm();
            break;
        }
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("FXNo_TAP_KeyDown"));
    }
}

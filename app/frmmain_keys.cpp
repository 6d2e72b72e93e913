// frmMain::FXNo_TAP_KeyDown: Enter verifies, Esc offers to undo the last entry, any other
// key clears the previous guest from the screen.
#include "app/checkinverdict.h"
#include "app/frmmain.h"

#include "data/checkinqueries.h"
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
            // Only an entry that this desk's last check-in wrote can be undone.
            if (LastConviteID == 0 || !CheckinVerdict::hasEntryTime(m_writtenEntryTime))
                break;
            const QString prompt = QStringLiteral("Deseja anular a última entrada em nome de:")
                                   + QStringLiteral("\n\r\n\r") + FXNome_Union()->text();
            const int answer = MsgBox::show(prompt, MsgBox::Question | MsgBox::YesNo,
                                            QStringLiteral("Anular última entrada"));
            if (answer != MsgBox::Yes)
                break;
            // On the connection of the last check-in; no new connection is made.
            if (!m_ConnSqlServer)
                throw RuntimeError::objectNotSet();
            int64_t changed = -1;
            m_ConnSqlServer->Execute(CheckinQueries::undoEntry(LastConviteID, m_writtenEntryTime), &changed);
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

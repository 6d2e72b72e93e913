// frmMain::FXNo_TAP_KeyDown: Enter verifies, Esc offers to undo the last entry, any other
// key clears the previous guest from the screen.
#include "app/checkinqueries.h"
#include "app/frmmain.h"

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
            if (LastConviteID == 0)
                break;
            const QString prompt = QStringLiteral("Deseja anular a última entrada em nome de:")
                                   + QStringLiteral("\n\r\n\r") + m_FXNome_Union->text();
            const int answer = MsgBox::show(prompt, MsgBox::Question | MsgBox::YesNo,
                                            QStringLiteral("Anular última entrada"));
            if (answer != MsgBox::Yes)
                break;
            // On the connection of the last check-in; no new connection is made.
            if (!m_ConnSqlServer)
                throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
            m_ConnSqlServer->Execute(CheckinQueries::undoEntry(LastConviteID));
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

// frmMain: the verdict labels (ShowMessage), the member panel (FillFields, and its reset with
// the rest of the screen in LimparForm) and the tick of Timer1 that ends the pause after a verdict.
#include "app/frmmain.h"

#include "data/checkinverdict.h"
#include "data/recordset.h"
#include "platform/errorreport.h"
#include "ui/controltag.h"
#include "ui/modcontrols.h"
#include "ui/vbtimer.h"
#include "ui/verdictsymbol.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

namespace {

QColor backColour(const QLabel *label)
{
    return label->palette().color(QPalette::Window);
}

void setBackColour(QLabel *label, const QColor &colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour);
    label->setPalette(p);
}

} // namespace

void frmMain::ShowMessage(int32_t msgTipo, const QString &Label, const QString &CallIn)
{
    try {
        // A caption changed by the previous verdict goes back to its standard text first.
        m_FXMessage_Alert->setText(Tag(m_FXMessage_Alert));
        m_FXMessage_OK->setText(Tag(m_FXMessage_OK));
        m_FXMessage_Invalid->setText(Tag(m_FXMessage_Invalid));

        QLabel *shown = nullptr;
        switch (msgTipo) {
        case CheckinVerdict::Accepted:
            m_FXMessage_Alert->setVisible(false);
            m_FXMessage_Invalid->setVisible(false);
            m_FXMessage_Fundo->setVisible(false);
            shown = m_FXMessage_OK;
            break;
        case CheckinVerdict::NotFound:
            m_FXMessage_OK->setVisible(false);
            m_FXMessage_Invalid->setVisible(false);
            m_FXMessage_Fundo->setVisible(false);
            shown = m_FXMessage_Alert;
            break;
        case CheckinVerdict::Refused:
            m_FXMessage_OK->setVisible(false);
            m_FXMessage_Alert->setVisible(false);
            m_FXMessage_Fundo->setVisible(false);
            shown = m_FXMessage_Invalid;
            break;
        default:
            m_FXMessage_Fundo->setVisible(false);
            m_FXMessage_Alert->setVisible(false);
            m_FXMessage_Invalid->setVisible(false);
            m_FXMessage_OK->setVisible(false);
            break;
        }
        if (shown) {
            // The one band under the verdicts takes the colour of the verdict shown.
            setBackColour(m_FXMessage_Fundo, backColour(shown));
            m_FXMessage_Fundo->setVisible(true);
            shown->setVisible(true);
        }
        m_verdictSymbol->showForKind(shown ? msgTipo : 0);

        // Only the verdict on show carries the call sign or the replacement text.
        const QList<QLabel *> verdicts{m_FXMessage_Alert, m_FXMessage_OK, m_FXMessage_Invalid};
        if (!CallIn.isEmpty()) {
            for (QLabel *verdict : verdicts) {
                if (!verdict->isHidden())
                    verdict->setText(Tag(verdict) + QStringLiteral(" (CALL: ") + CallIn + QStringLiteral(")"));
            }
        }
        if (!Label.isEmpty()) {
            for (QLabel *verdict : verdicts) {
                if (!verdict->isHidden())
                    verdict->setText(Label);
            }
        }
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("ShowMessage"));
    }
}

void frmMain::LimparForm()
{
    try {
        for (QLabel *value : m_memberValues) {
            if (!value->text().isEmpty())
                value->setText(QString());
        }
        m_ucIDFotos1->Load(-1);
        m_FXMessage_Alert->setVisible(false);
        m_FXMessage_Invalid->setVisible(false);
        m_FXMessage_OK->setVisible(false);
        m_FXMessage_Fundo->setVisible(false);
        m_verdictSymbol->hide();
        LastConviteID = 0;
        m_writtenEntryTime = Value::null();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("LimparForm"));
    }
}

void frmMain::Timer1_Timer()
{
    try {
        // One tick per arming: the check-in arms the timer again for the next pause.
        m_Timer1->setInterval(0);
        m_Timer1->setEnabled(false);
        m_FXNo_TAP->setEnabled(true);
        QPalette p = m_FXNo_TAP->palette();
        p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
        m_FXNo_TAP->setPalette(p);
        m_FXNo_TAP->setFocus();
        // Setting the text anew drops the box's undo history: it would otherwise keep every
        // key typed for as long as the desk runs (memory growing with each guest), and Ctrl+Z
        // would bring back earlier guests' numbers.
        m_FXNo_TAP->setText(m_FXNo_TAP->text());
        // However the check-in was started (Enter, the Validar button) and however it ended
        // (verdict, error, connect message), the box comes back with the whole number
        // selected, so that the next number typed or scanned replaces it.
        m_FXNo_TAP->selectAll();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Timer1_Timer"));
    }
}

void frmMain::FillFields(RecordsetRef &Rs)
{
    try {
        if (!Rs || Rs->State() != Recordset::StateOpen || Rs->Eof())
            return;
        const auto &fields = frmMainDesign::memberFields();
        for (size_t row = 0; row < fields.size(); ++row)
            modControls::FillControl(m_memberValues[row], Rs->Fields(fields[row].column).Value(), 3);
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("FillFields"));
    }
}

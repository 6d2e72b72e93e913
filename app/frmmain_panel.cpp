// frmMain::FillFields: the member details panel from one row of the member view.
#include "app/frmmain.h"

#include "data/recordset.h"
#include "platform/errorreport.h"
#include "ui/modcontrols.h"

#include <QLabel>

void frmMain::FillFields(RecordsetRef &Rs)
{
    try {
        if (!Rs || Rs->State() != Recordset::StateOpen || Rs->Eof())
            return;
        const struct
        {
            QLabel *label;
            const char *column;
        } mapping[] = {
            {m_FXNome_Union, "nome_union"}, {m_FXNo_Empresa, "no_empresa"}, {m_FXNo_Socio, "no_socio"},
            {m_FXData_Nascimento, "dnascimento"}, {m_FXEmpresa, "empresa"}, {m_FXBase, "base"},
            {m_FXMorada, "morada"}, {m_FXLocalidade, "localidade"},
        };
        for (const auto &m : mapping)
            modControls::FillControl(m.label, Rs->Fields(m.column).Value(), 3);
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("FillFields"));
    }
}

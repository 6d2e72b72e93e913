#include "app/frmmain_design.h"

#include "platform/runtimeerror.h"

namespace frmMainDesign {

const std::array<MemberField, MemberRowCount> &memberFields()
{
    static const std::array<MemberField, MemberRowCount> fields = {{
        {"FXNome_Union",
         "FXNome_Union_Label",
         "nome_union",
         "Nome:",
         18,
         {765, 1980, 1380, 255},
         {2250, 1980, 5010, 480}},
        {"FXNo_Empresa",
         "FXNo_Empresa_Label",
         "no_empresa",
         "Nº Empresa:",
         14.25,
         {765, 2449, 1380, 255},
         {2250, 2445, 5010, 480}},
        {"FXNo_Socio",
         "FXNo_Socio_Label",
         "no_socio",
         "Nº Sócio:",
         14.25,
         {765, 2918, 1380, 255},
         {2250, 2925, 5010, 480}},
        {"FXData_Nascimento",
         "FXData_Nascimento_Label",
         "dnascimento",
         "Data Nascimento:",
         14.25,
         {765, 3387, 1380, 255},
         {2250, 3390, 5010, 480}},
        {"FXEmpresa", "FXEmpresa_Label", "empresa", "Empresa:", 14.25, {765, 3856, 1380, 255}, {2250, 3855, 5010, 480}},
        {"FXBase", "FXBase_Label", "base", "Base:", 14.25, {765, 4325, 1380, 255}, {2250, 4320, 5010, 435}},
        {"FXMorada", "FXMorada_Label", "morada", "Morada:", 14.25, {765, 4794, 1380, 255}, {2250, 4800, 5010, 435}},
        {"FXLocalidade",
         "FXLocalidade_Label",
         "localidade",
         "Localidade:",
         14.25,
         {765, 5265, 1380, 255},
         {2250, 5265, 5010, 525}},
    }};
    return fields;
}

namespace {

std::vector<ControlRect> placedControls()
{
    std::vector<ControlRect> table = {
        {"Frame1", "", {-60, 0, 12600, 1050}},
        {"Frame2", "", {-45, 945, 12375, 7605}},

        {"Image2", "Frame1", {7875, 0, 6780, 1050}},
        {"Label3", "Frame1", {315, 630, 8250, 345}},
        {"Label2", "Frame1", {315, 405, 8250, 345}},
        {"Label1", "Frame1", {315, 180, 5160, 345}},
        {"Image1", "Frame1", {45, 0, 9000, 1050}},

        {"ucIDFotos1", "Frame2", {7875, 1890, 3840, 3705}},
        {"FXNo_TAP", "Frame2", {1800, 855, 4395, 315}},
        {"Toolbar2", "Frame2", {6390, 855, 1050, 330}},
        {"Toolbar1", "Frame2", {6390, 1260, 2355, 330}},
        {"searchToolBar", "Frame2", {8805, 1260, 2115, 330}},      // "Procurar Convidado", beside the VIP button
        {"statisticsToolBar", "Frame2", {10965, 1260, 1335, 330}}, // "Estatísticas", beside the search
    };
    // The member panel's captions, then its values.
    for (const MemberField &f : memberFields())
        table.push_back({f.captionName, "Frame2", f.captionRect});
    for (const MemberField &f : memberFields())
        table.push_back({f.valueName, "Frame2", f.valueRect});
    table.insert(table.end(), {
                                  {"Label_ZELMAR", "Frame2", {6975, 255, 5190, 285}},
                                  {"Label_KORDA", "Frame2", {7005, 518, 5160, 285}},
                                  {"Label4", "Frame2", {765, 885, 1380, 300}},
                                  {"FXMessage_OK", "Frame2", {450, 6030, 11490, 1005}},
                                  {"FXMessage_Invalid", "Frame2", {450, 6030, 11490, 1005}},
                                  {"FXMessage_Alert", "Frame2", {450, 6030, 11490, 1005}},
                                  {"FXMessage_Fundo", "Frame2", {360, 5760, 645, 690}},
                              });
    return table;
}

} // namespace

const std::vector<ControlRect> &controls()
{
    static const std::vector<ControlRect> table = placedControls();
    return table;
}

TwipsRect rect(const QString &name)
{
    for (const ControlRect &c : controls()) {
        if (name == QLatin1String(c.name))
            return c.rect;
    }
    throw RuntimeError(ErrorNumber::InvalidProcedureCall, QStringLiteral("No control named ") + name);
}

} // namespace frmMainDesign

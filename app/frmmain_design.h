#pragma once

#include "ui/twipsrect.h"

#include <QString>

#include <array>
#include <vector>

// The main window's design: its client size and every control's design rectangle in
// twips, relative to the control's container. The one place these numbers live; the
// window applies them at construction and the resize layout starts from them.
namespace frmMainDesign {

constexpr float ClientWidth = 12255;
constexpr float ClientHeight = 8355;

struct ControlRect
{
    const char *name;
    const char *container; // "" for the window itself
    TwipsRect rect;
};

// The member panel, one row per field of the member view, top row first.
enum MemberRow { NomeUnion, NoEmpresa, NoSocio, DataNascimento, Empresa, Base, Morada, Localidade, MemberRowCount };

struct MemberField
{
    const char *valueName;   // the label that shows the value
    const char *captionName; // the label before it
    const char *column;      // the column of vwAssociados_Completos
    const char *caption;     // the caption's text, UTF-8
    double points;           // the value's font size
    TwipsRect captionRect;
    TwipsRect valueRect;
};

// The eight fields in MemberRow order: the one list the panel's controls, FillFields,
// LimparForm and the resize layout read.
const std::array<MemberField, MemberRowCount> &memberFields();

// Every placed control, listed per container from the top of the stacking order down.
const std::vector<ControlRect> &controls();

// The design rectangle of the named control; RuntimeError 5 for a name not in the design.
TwipsRect rect(const QString &name);

} // namespace frmMainDesign

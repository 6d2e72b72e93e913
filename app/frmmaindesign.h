#pragma once

#include "ui/twipsrect.h"

#include <QString>

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

// Every placed control, listed per container from the top of the stacking order down.
const std::vector<ControlRect> &controls();

// The design rectangle of the named control; RuntimeError 5 for a name not in the design.
TwipsRect rect(const QString &name);

} // namespace frmMainDesign

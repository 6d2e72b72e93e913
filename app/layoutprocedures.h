#pragma once

#include "ui/twipsrect.h"

#include <cstdint>

// What a layout procedure reads from the main window: its outer size now, in twips,
// and the outer size at which the controls were last laid out (LastWidth, LastHeight).
struct LayoutBasis
{
    float outerWidth = 0;
    float outerHeight = 0;
    int32_t lastWidth = 0;
    int32_t lastHeight = 0;
};

// The four layout procedures of frmMain and the integer arithmetic they share. A
// procedure adds its share d of the window's size change to one control's size and,
// when Order is not 1, d x (Order - 1) to its position. Order and Taxa of 0 mean 1 and
// are written back as 1; after a normal finish both are set to 0, so a caller sets them
// before every call. The change is W_Size (Along) or H_Size (Bottom) when either of the
// two is not 0, else the outer size minus the last laid-out size.
// Failure: each procedure reports its own errors under its own name (a size that would
// become negative, an overflow) and returns leaving the control as far as it got and
// Order and Taxa not reset.
namespace LayoutProcedures {

void Rpl_Expand_Along(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                      int32_t &H_Size) noexcept;
void Rpl_Expand_Bottom(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                       int32_t &H_Size) noexcept;
void Rpl_Move_Along(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                    int32_t &H_Size) noexcept;
void Rpl_Move_Bottom(const LayoutBasis &basis, TwipsRect &Ctrl, int32_t &Order, int32_t &Taxa, int32_t &W_Size,
                     int32_t &H_Size) noexcept;

// Signature shared by the four procedures, for the layout table.
using Procedure = void (*)(const LayoutBasis &, TwipsRect &, int32_t &, int32_t &, int32_t &, int32_t &) noexcept;

// Nearest 32-bit integer, halves to even; RuntimeError 6 "Overflow" outside the range (and for NaN).
int32_t roundHalfEven(double value);

// d x (Order - 1) in 32-bit integers; RuntimeError 6 "Overflow" when it does not fit.
int32_t positionStep(int32_t d, int32_t Order);

} // namespace LayoutProcedures

#pragma once

#include "data/value.h"

#include <cstdint>

class QWidget;

// Shows database values in form controls and formats them by display format code:
//  0 general, 1 date "dd-mm-yyyy", 2 amount "#,##0.00;- #,##0.00", 3 text,
//  4 euro "€ #,##0.00;€ -#,##0.00", 5 percentage "0.00 %", 6 whole number,
//  7 euro "€ #,##0.000;€ -#,##0.000", 8 quantity "#,##0.000;- #,##0.000",
//  9 date and time "dd-mm-yyyy Hh:Nn:Ss", 10 euro "€ #,##0.0000;€ -#,##0.0000".
// A numeric field keeps its raw value in the control's Tag (controltag.h) as the value's
// text under the user locale ("1234,5" on a Portuguese desk; doubles with up to 15
// significant digits), while its Text shows the formatted value; editing and formatting
// read the Tag, never the displayed text, so Fill -> Edit -> Format gives back the same
// display. The helpers have no handler: a failed conversion or a property the control
// lacks reaches the caller as RuntimeError. Controls are borrowed, never owned.
namespace modControls {

void FillControl(QWidget *control, const Value &value, int32_t code);
// Rewrites the text of a text box (or masked edit / editable combo) from its Tag.
void FormatControl(QWidget *control, int32_t code);
// Prepares a field for editing: the raw value back into the text, the whole text selected.
void EditControl(QWidget *control, int32_t code);

} // namespace modControls

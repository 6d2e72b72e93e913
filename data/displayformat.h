#pragma once

#include "data/value.h"

#include <QString>

// Writes a value with a display pattern, the way the desk's lists and fields show numbers
// and dates, using the user locale's separators (LocaleInfo).
//
// Number patterns ("#,##0", "#,##0.00;- #,##0.00", "€ #,##0.000;€ -#,##0.000", "0.00 %"):
// literal text around one digit field; "," in the field groups thousands, the "0" (and "#")
// after "." give the decimals, "%" multiplies by 100, the section after ";" is used for
// values that are negative after rounding (without one, "-" goes in front). Decimals are
// rounded half away from zero on the value's decimal digits: doubles and singles by their
// shortest round-trip text, decimals and texts by their own digits, so 2.675 shows as "2,68".
// Date patterns ("dd-mm-yyyy", "dd-mm-yyyy Hh:Nn:Ss", "yyyy-mm-dd", "Hh:Nn"): d/dd, m/mm,
// yy/yyyy, h/hh (24-hour, or 12-hour with AM/PM or A/P in the pattern), n/nn (minutes),
// s/ss, in any letter case; m/mm right after an hour or right before seconds are minutes
// ("hh:mm", "mm:ss"); ddd/dddd and mmm/mmmm are the Portuguese day and month names
// (abbreviated to three letters, or whole); "text" and \x are literal; other characters as
// they are. The named formats "General Date", "Long Date", "Medium Date", "Short Date",
// "Long Time", "Medium Time" and "Short Time" (any letter case) stand for the desk's own
// date and time patterns. A pattern with "#" or "0" is a number pattern, any other a date
// pattern.
//
// Null and Empty give the empty text; a value the pattern cannot read (a text that is no
// number for a number pattern, no date for a date pattern) is written as its own text, and
// an empty pattern gives the value's text. Nothing here throws except for out-of-range
// numbers shown as dates (6).
namespace DisplayFormat {

QString format(const Value &value, const QString &pattern);

// The patterns the desk uses.
inline QString dayPattern()
{
    return QStringLiteral("dd-mm-yyyy");
}
inline QString dayTimePattern()
{
    return QStringLiteral("dd-mm-yyyy Hh:Nn:Ss");
}
inline QString isoDayPattern()
{
    return QStringLiteral("yyyy-mm-dd");
}
inline QString hourMinutePattern()
{
    return QStringLiteral("Hh:Nn");
}

} // namespace DisplayFormat

#pragma once

#include "data/value.h"

#include <QString>

#include <cstdint>

// Turns values into the text of SQL Server literals for queries built by concatenation.
// Type codes: 1 date, 2 number, 3 text (blank is null), 4 text (never null), 5 date and
// time, 6 contains-pattern for LIKE, 7 number; any other code gives "". Codes 2 and 7
// write a Decimal with its exact digits, negative ones too.
// SQLValue has no handler: a failed conversion reaches the caller as RuntimeError.
// Trtf reports its own failures (application "Orbena", module "modCode") and returns "".
// The two separators are read from the user locale once per process, the first time
// IsNumericValue needs them; only the user-interface thread calls these functions.
namespace modCode {

QString SQLValue(const Value &value, int32_t code);

// Makes a text safe inside a quoted T-SQL literal: every apostrophe becomes
// "' + CHAR(39) + '", and a backslash right before a line break is followed by "' + '"
// (a backslash-newline inside a literal is a line continuation to SQL Server, which would
// drop both characters). Updates `text` and returns it; text without either is unchanged.
QString Trtf(QString &text);

// The numeric test of the number literals: the value's text with its separators brought
// to the locale's decimal separator reads as a number under the user locale.
bool IsNumericValue(const Value &value);

QString ThousandSeparator();
QString DecimalSeparator();

// Forgets the cached separators, so that the next IsNumericValue reads the locale again.
void resetSeparatorCache();

} // namespace modCode

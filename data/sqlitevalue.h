#pragma once

#include "data/value.h"

#include <QString>

struct sqlite3_stmt;

// How the embedded store's column values become Values: NULL stays Null, integers become
// Long (Double beyond 32 bits), REAL Double, text String; a column declared as a date or
// time (DATE, DATETIME, SMALLDATETIME, DATETIME2, TIME) whose text reads as
// "yyyy-mm-dd[ hh:mm[:ss[.zzz]]]" becomes a Date; BIT/BOOLEAN columns become Boolean.
// A column declared DECIMAL(p,s), NUMERIC(p,s), MONEY or SMALLMONEY gives a Decimal: an
// INTEGER with its every digit, a REAL by its shortest round-trip text and a TEXT that is
// a number by its own digits, each rounded to the column's places (SQLite's numeric
// affinity stores a fraction as REAL, so such a column keeps 15 significant digits here).
namespace SqliteValue {

Value fromColumn(sqlite3_stmt *stmt, int column, const QString &declaredType);

// A Date from "yyyy-mm-dd[ hh:mm[:ss[.fff]]]" (or 'T' between date and time), or "hh:mm[:ss]"
// on the zero date; Empty when the text is not such a date.
Value parseDateText(const QString &text);

} // namespace SqliteValue

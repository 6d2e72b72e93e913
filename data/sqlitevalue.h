#pragma once

#include "data/value.h"

#include <QString>

struct sqlite3_stmt;

// How the embedded store's column values become Values: NULL stays Null, integers become
// Long (Double beyond 32 bits), REAL Double, text String; a column declared as a date or
// time (DATE, DATETIME, SMALLDATETIME, DATETIME2, TIME) whose text reads as
// "yyyy-mm-dd[ hh:mm[:ss[.zzz]]]" becomes a Date; BIT/BOOLEAN columns become Boolean.
namespace SqliteValue {

Value fromColumn(sqlite3_stmt *stmt, int column, const QString &declaredType);

// A Date from "yyyy-mm-dd[ hh:mm[:ss[.fff]]]" (or 'T' between date and time), or "hh:mm[:ss]"
// on the zero date; Empty when the text is not such a date.
Value parseDateText(const QString &text);

} // namespace SqliteValue

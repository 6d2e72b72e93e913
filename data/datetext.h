#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Reads the date texts the desk accepts: day-month-year with "-" or "/" ("7-12-2026",
// "07/12/26"; two-digit years 00-29 are 20xx, 30-99 are 19xx), optionally followed by a
// time "hh:mm" or "hh:mm:ss" (24-hour), or a time alone (on the zero date 30-12-1899).
// Leading and trailing spaces are ignored; impossible dates and times are rejected.
namespace DateText {

bool read(const QString &text, QDate *date, QTime *time);

// The zero date of the runtime, 30 December 1899.
QDate zeroDate();

} // namespace DateText

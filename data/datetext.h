#pragma once

#include <QDate>
#include <QDateTime>
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

// "yyyy-MM-dd HH:mm:ss.zzz" of a DATETIME as SQL Server keeps it: rounded to the 1/300 s tick
// (milliseconds ending in 0, 3 or 7; 23:59:59.999 is the next day's midnight), which is what
// GETDATE() gives.
QString datetimeText(const QDateTime &time);
// The same rounding as a QDateTime, in the time zone it was given in.
QDateTime datetimeTick(const QDateTime &time);

} // namespace DateText

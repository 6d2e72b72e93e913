#pragma once

#include "data/value.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

// The SQL texts of one check-in and of the undo, in one place. Values that come from the
// operator or from a database go through modCode::SQLValue (text code 3, number code 2);
// convite_id is appended as decimal digits. Plain functions: nothing is sent from here, and
// a value SQLValue cannot convert reaches the caller as RuntimeError.
namespace CheckinQueries {

// tbConvites row of an invitation number (check-in database).
QString invitation(const QString &trimmedEntry);
// Member view row by contacto_id, and by company number (member databases).
QString memberById(int32_t memberId);
QString memberByCompanyNumber(const QString &companyNumber);
// Who owns a photograph for a company number (member databases).
QString photographOwner(const QString &companyNumber);
// The document archive folder (member databases).
QString archiveFolder();

// Records the entry with the server's clock, only while the invitation is still unused,
// so that of two desks accepting the same invitation at once exactly one changes the row.
QString acceptEntry(int32_t conviteId);
// The entry time another desk wrote first.
QString entryTime(int32_t conviteId);
// The server's clock, read just before the accepting update: where the window of an entry whose
// reply may be lost begins.
QString serverClock();
// The entry time and the server's clock, read again after the accepting update's reply was lost.
QString entryTimeAndClock(int32_t conviteId);
// Clears the entry time again (undo of the last entry), only while it still holds the time
// this desk wrote (as read back after writing it, to the millisecond); another desk may have
// cleared it, or cleared it and written its own since. The time is sent as the server gave it,
// without the desk's time zone (which may have no such hour, in the gap of a change to summer time).
QString undoEntry(int32_t conviteId, const Value &writtenEntryTime);

// Writes an entry the desk decided without the server, at the scan's time on the server's clock,
// only while the invitation is still unused (as acceptEntry), so that of two desks delivering
// the same invitation exactly one changes the row. The time (a zone-less instant, as
// serverInstant gives them) is sent to the millisecond as the server gave its times.
QString deliverEntry(int32_t conviteId, const QDateTime &serverTime);

} // namespace CheckinQueries

#pragma once

#include "data/deskjournal.h"

#include <QByteArray>
#include <QString>

// The journal's two printed forms, one line per scan. Plain functions that never fail.
namespace JournalFormat {

// CSV as RFC 4180 has it: lines end in CRLF; a field holding a quote, a comma, a line
// break or any other control character is put in quotes, with its quotes doubled. A field
// that begins with =, +, -, @, a tab or a carriage return gets a leading ' first, so that a
// spreadsheet opening the file shows it as text instead of running it as a formula.
QString csvField(const QString &text);
QString csvHeader(); // time,desk,entry,verdict,convite_id,entry_time
QString csvLine(const JournalEntry &entry);

// One JSON object per line (control characters escaped by the JSON writer), with
// convite_id a number and entry_time a text, each null when unknown.
QByteArray jsonLine(const JournalEntry &entry);

} // namespace JournalFormat

#pragma once

#include "data/connection.h"
#include "data/scanjournal.h"

#include <QString>

#include <vector>

// Finding a guest by name or company number: the query on tbConvites and the reading of
// its rows into list cells. The typed text goes into the query only through SQLValue's
// contains-pattern (code 6): blanks mean "anything between", apostrophes are escaped; the
// operator's %, _ and [ are written [%], [_] and [[] first, so they match themselves on
// SQL Server and on the embedded store alike. Case and accents do not count.
// Plain functions; read() raises the connection's RuntimeError when the query fails.
namespace GuestSearch {

constexpr int MaxRows = 50;
constexpr int MinimumLength = 2;

// Whether the text is long enough to search for: two characters or more, blanks aside.
bool searchable(const QString &typed);

// The typed text with %, _ and [ each in brackets, so that LIKE takes them literally.
QString typedPattern(const QString &typed);

// Where a search reads: the check-in database's tbConvites, or, while the desk is offline, its
// local copy (LocalReplica's invitations, opened with the embedded store's provider, which
// brings the same collations).
enum class Source { CheckIn, LocalCopy };

// Up to MaxRows + 1 invitations whose nome or no_tap matches, ordered by name (the extra
// row only tells that there are more). The copy's text columns carry no collation of their
// own, so its query names the check-in database's default one for the order.
QString query(const QString &typed, Source source = Source::CheckIn);

// The line under the list as the window shows it: read from the local copy, it ends in
// " (cópia local)" (only "(cópia local)" where there is nothing else to say).
QString statusLine(const QString &text, Source source);

struct Row
{
    QString conviteNo;     // the invitation number, as the entry box takes it
    int32_t conviteId = 0; // read from the local copy only
    QString cells[4];      // "Nº Convite", "Nome", "Nº Empresa", "Data Hora" (blank when not entered)
};

struct Result
{
    std::vector<Row> rows; // at most MaxRows
    bool more = false;     // the query matched more than MaxRows
};

Result read(const ConnectionRef &connection, const QString &sql);

// Rows read from the local copy with this desk's entries not yet delivered shown as entered,
// at their time on the server's clock (the copy holds only the server's entries).
void showOwnEntries(Result &result, const std::vector<OfflineEntry> &pending);

} // namespace GuestSearch

#pragma once

#include <QString>

struct sqlite3;

// SQL Server's comparison rules on an SQLite connection, through ICU's collator:
// - the collation SQL_Latin1_General_CP1_CI_AS (also under the name Latin1_General_CI_AS):
//   case-insensitive for every letter, accent-sensitive (ICU strength secondary), trailing
//   blanks ignored, so 'AB7' = 'ab7', '1003 ' = '1003' and "alberto" < "álvaro" < "Ana";
// - the collations Latin1_General_CI_AI and SQL_Latin1_General_CP1_CI_AI: the same without
//   accents (strength primary), so 'Brasio' = 'Brásio';
// - LIKE (the SQL function like(pattern, text [, escape])) case-insensitive and
//   accent-sensitive, with %, _, [abc], [a-c] and [^abc]; trailing blanks of the pattern
//   count, those of the text do not ('abc ' LIKE 'abc' is true, 'abc' LIKE 'abc ' false);
// - the same matching without accents as the SQL function regexp(pattern, text [, escape]),
//   which is what "text REGEXP pattern" calls: the T-SQL translator writes a LIKE whose
//   operand carries an accent-insensitive COLLATE that way.
// ICU's root order is not the Windows collation's in a few punctuation cases: SQL Server's
// "word sort" weighs a hyphen and an apostrophe inside a word almost as nothing ("coop" and
// "co-op" sort side by side), ICU sorts them as punctuation before every letter and digit.
namespace SqlServerCollation {

inline constexpr const char *DefaultName = "SQL_Latin1_General_CP1_CI_AS";
inline constexpr const char *AccentInsensitiveName = "Latin1_General_CI_AI";

// Whether a collation name (any case) compares without accents.
bool isAccentInsensitive(const QString &name);

// Registers the collations and the two matching functions on the connection; an SQLite
// result code (SQLITE_OK when everything was registered).
int addTo(sqlite3 *db);

} // namespace SqlServerCollation

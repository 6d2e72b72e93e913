#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// Turns the T-SQL the desk sends into SQL the embedded SQLite store accepts. It reads the
// text with a tokenizer that knows quoted literals, N'...' literals, bracketed, double-quoted
// and back-quoted identifiers and both kinds of comment, so nothing inside a literal,
// identifier or comment is ever rewritten. It rewrites: a run of string literals and
// CHAR(n) joined by '+' (where no tighter operator holds an end of it) to one literal with
// the text of the run; '+' between string operands (a string literal, CHAR(...) or an
// earlier concatenation) to '||'; SELECT [DISTINCT] TOP n
// to a LIMIT n at the end of that SELECT; CONVERT(DATETIME,'...'[,102]) to the date text;
// DATEDIFF and DATEADD in seconds, minutes, hours or days to SQLite's date functions;
// @@TRANCOUNT to 0; @@VERSION to the store's own version text; N'...' to '...'; [name] to
// "name"; a whole statement [EXEC] sp_helpindex 'table' to a SELECT of the table's indexes
// (index_name, index_description, index_keys). Everything else passes unchanged.
// The functions are plain and total: any input gives an output and never throws.
namespace TSqlTranslator {

enum class TokenKind {
    Space,      // blanks and line breaks
    Comment,    // -- to end of line, or /* ... */ (nested as in T-SQL)
    String,     // '...' or N'...', doubled quotes inside
    Identifier, // [..], "..." or `...`
    Word,       // keywords and names, including @variables and @@functions
    Number,
    Symbol // one operator or punctuation character (or a two-character operator)
};

struct Token
{
    TokenKind kind;
    QString text;
};

// The tokens of the text; concatenating their texts gives back the input exactly.
std::vector<Token> tokenize(const QString &sql);

// Whether c can continue a word (letters, digits, '_', '@', '#', '$').
bool isWordCharacter(QChar c);
// Whether a String (also N'...') or Identifier token is closed by its quote close.
bool isClosed(const QString &quotedToken, QChar close);

// The SQLite form of a T-SQL statement (or batch).
QString toSqlite(const QString &tsql);

// The same, comparing text as SQL Server's default collation does (the embedded store's
// form): a text column of CREATE TABLE without its own COLLATE gets
// SQL_Latin1_General_CP1_CI_AS, and so does a text literal beside a comparison operator
// (not a date text, whose byte order is its order); a LIKE whose operand or pattern carries
// an accent-insensitive COLLATE becomes REGEXP (see SqlServerCollation).
QString toSqliteWithServerCollation(const QString &tsql);

} // namespace TSqlTranslator

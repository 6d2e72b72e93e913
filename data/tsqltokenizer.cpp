#include "data/tsqltranslator.h"

// The scanner half of the translator: T-SQL text into tokens.
namespace TSqlTranslator {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool isWordPart(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == QLatin1Char('$');
}

// Index just past a quoted run that starts at i with its opening quote and closes with
// close; a doubled close inside stands for one. Unterminated runs end at the end of the
// text, with *closed false.
int skipQuoted(const QString &s, int i, QChar close, bool *closed = nullptr)
{
    const int n = int(s.size());
    ++i;
    while (i < n) {
        if (s[i] == close) {
            if (i + 1 < n && s[i + 1] == close) {
                i += 2;
                continue;
            }
            if (closed)
                *closed = true;
            return i + 1;
        }
        ++i;
    }
    if (closed)
        *closed = false;
    return n;
}

} // namespace

bool isWordCharacter(QChar c)
{
    return isWordPart(c);
}

bool isClosed(const QString &quoted, QChar close)
{
    const int open = (quoted.startsWith(QLatin1Char('N')) || quoted.startsWith(QLatin1Char('n'))) ? 1 : 0;
    bool closed = false;
    skipQuoted(quoted, open, close, &closed);
    return closed;
}

std::vector<Token> tokenize(const QString &s)
{
    std::vector<Token> tokens;
    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        const int start = i;
        const QChar c = s[i];
        const QChar next = i + 1 < n ? s[i + 1] : QChar();
        TokenKind kind;
        if (c.isSpace()) {
            kind = TokenKind::Space;
            while (i < n && s[i].isSpace())
                ++i;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            kind = TokenKind::Comment;
            while (i < n && s[i] != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            kind = TokenKind::Comment;
            int depth = 0;
            while (i < n) {
                if (s[i] == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
                    ++depth;
                    i += 2;
                } else if (s[i] == QLatin1Char('*') && i + 1 < n && s[i + 1] == QLatin1Char('/')) {
                    i += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++i;
                }
            }
        } else if (c == QLatin1Char('\'')) {
            kind = TokenKind::String;
            i = skipQuoted(s, i, QLatin1Char('\''));
        } else if ((c == QLatin1Char('N') || c == QLatin1Char('n')) && next == QLatin1Char('\'')) {
            kind = TokenKind::String;
            i = skipQuoted(s, i + 1, QLatin1Char('\''));
        } else if (c == QLatin1Char('[')) {
            kind = TokenKind::Identifier;
            i = skipQuoted(s, i, QLatin1Char(']'));
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            kind = TokenKind::Identifier;
            i = skipQuoted(s, i, c);
        } else if (isWordStart(c)) {
            kind = TokenKind::Word;
            while (i < n && isWordPart(s[i]))
                ++i;
        } else if (c.isDigit() || (c == QLatin1Char('.') && next.isDigit())) {
            kind = TokenKind::Number;
            while (i < n && (s[i].isDigit() || s[i] == QLatin1Char('.')))
                ++i;
            if (i + 1 < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))
                && (s[i + 1].isDigit()
                    || ((s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-')) && i + 2 < n
                        && s[i + 2].isDigit())))
                i += 2;
            while (i < n && (s[i].isLetterOrNumber() || s[i] == QLatin1Char('_')))
                ++i;
        } else {
            kind = TokenKind::Symbol;
            static const char *const pairs[] = {"<>", "!=", ">=", "<=", "||", "!<", "!>"};
            i += 1;
            for (const char *p : pairs)
                if (c == QLatin1Char(p[0]) && next == QLatin1Char(p[1])) {
                    i += 1;
                    break;
                }
        }
        tokens.push_back(Token{kind, s.mid(start, i - start)});
    }
    return tokens;
}

} // namespace TSqlTranslator

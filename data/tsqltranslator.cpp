#include "data/tsqltranslator.h"

#include "data/datetext.h"
#include "data/sqlservercollation.h"

#include <QDateTime>
#include <QRegularExpression>

#include <utility>

namespace TSqlTranslator {

namespace {

// The translation works on the significant tokens (no blanks, no comments) and writes
// each token's replacement text into out; text appended to a token lands after it.
class Translation
{
public:
    Translation(const QString &sql, bool serverCollation) : m_tokens(tokenize(sql)), m_serverCollation(serverCollation)
    {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            m_out.push_back(m_tokens[i].text);
            if (m_tokens[i].kind != TokenKind::Space && m_tokens[i].kind != TokenKind::Comment)
                m_sig.push_back(i);
        }
        m_concat.assign(m_sig.size(), false);
        markTableDefinitions();
    }

    QString run()
    {
        rewriteSimpleTokens();
        rewriteConvert();
        rewriteDateArithmetic();
        foldConstants();
        innerJoinsWhereNullsAreRejected();
        if (m_serverCollation)
            addCollations();
        rewriteTop();
        rewriteConcatenation();
        return m_out.empty() ? QString() : joined(0, m_out.size() - 1);
    }

private:
    // The pieces of tokens first to last, in one text.
    QString joined(size_t first, size_t last) const
    {
        QString result;
        bool lastChanged = false;
        for (size_t i = first; i <= last; ++i) {
            const QString &piece = m_out[i];
            if (piece.isEmpty())
                continue;
            const bool changed = piece != m_tokens[i].text;
            // A rewritten piece must not fuse with its neighbour into a different token.
            if ((changed || lastChanged) && !result.isEmpty() && sticky(result.back(), piece.front()))
                result += QLatin1Char(' ');
            result += piece;
            lastChanged = changed;
        }
        return result;
    }

    static bool sticky(QChar left, QChar right)
    {
        if (isWordCharacter(left) && isWordCharacter(right))
            return true;
        if (left == right
            && (left == QLatin1Char('\'') || left == QLatin1Char('"') || left == QLatin1Char('-')
                || left == QLatin1Char('|')))
            return true;
        return (left == QLatin1Char('/') && right == QLatin1Char('*'))
               || (left == QLatin1Char('*') && right == QLatin1Char('/'));
    }

    int count() const { return int(m_sig.size()); }
    const Token &tok(int k) const { return m_tokens[m_sig[size_t(k)]]; }
    QString &out(int k) { return m_out[m_sig[size_t(k)]]; }

    bool isWord(int k, const char *word) const
    {
        return k >= 0 && k < count() && tok(k).kind == TokenKind::Word
               && tok(k).text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(int k, const char *symbol) const
    {
        return k >= 0 && k < count() && tok(k).kind == TokenKind::Symbol && tok(k).text == QLatin1String(symbol);
    }
    bool isString(int k) const
    {
        return k >= 0 && k < count() && tok(k).kind == TokenKind::String && isClosed(tok(k).text, QLatin1Char('\''));
    }

    // Whether significant token k, if quoted, has its closing quote.
    bool isClosedToken(int k) const
    {
        const Token &t = tok(k);
        if (t.kind == TokenKind::String)
            return isClosed(t.text, QLatin1Char('\''));
        if (t.kind == TokenKind::Identifier) {
            const QChar open = t.text.front();
            return isClosed(t.text, open == QLatin1Char('[') ? QLatin1Char(']') : open);
        }
        return true;
    }

    // Significant index of the ')' that closes the '(' at k, or -1.
    int matchForward(int k) const
    {
        int depth = 0;
        for (int j = k; j < count(); ++j) {
            if (isSymbol(j, "("))
                ++depth;
            else if (isSymbol(j, ")") && --depth == 0)
                return j;
        }
        return -1;
    }
    // Significant index of the '(' that the ')' at k closes, or -1.
    int matchBackward(int k) const
    {
        int depth = 0;
        for (int j = k; j >= 0; --j) {
            if (isSymbol(j, ")"))
                ++depth;
            else if (isSymbol(j, "(") && --depth == 0)
                return j;
        }
        return -1;
    }

    // Blanks every token (comments and blanks too) from significant k1 to k2 inclusive.
    void blank(int k1, int k2)
    {
        for (size_t i = m_sig[size_t(k1)]; i <= m_sig[size_t(k2)]; ++i)
            m_out[i].clear();
    }

    // Marks the tokens of each CREATE TABLE's definition (from the name to the closing ')'),
    // and in its column list the word after each column's name: the column's type, so that
    // CHAR(10) or NCHAR(10) there stays a type and is never read as the CHAR function.
    void markTableDefinitions()
    {
        m_inTableDefinition.assign(m_sig.size(), false);
        m_columnType.assign(m_sig.size(), false);
        bool inCreateTable = false;
        int depth = 0;
        for (int k = 0; k < count(); ++k) {
            // ALTER TABLE t ADD [COLUMN] c type: the word after the column's name is its type.
            if (isWord(k, "ADD") && isAlterTableName(k - 1)) {
                const int name = isWord(k + 1, "COLUMN") ? k + 2 : k + 1;
                if (name + 1 < count() && tok(name + 1).kind == TokenKind::Word) {
                    m_columnType[size_t(name + 1)] = true;
                    int last = name + 1;
                    if (isSymbol(last + 1, "(") && matchForward(last + 1) > 0)
                        last = matchForward(last + 1);
                    for (int j = name + 1; j <= last; ++j)
                        m_inTableDefinition[size_t(j)] = true;
                }
                continue;
            }
            if (isWord(k, "CREATE")) {
                inCreateTable = isWord(k + 1, "TABLE")
                                || (isWord(k + 2, "TABLE") && tok(k + 1).kind == TokenKind::Word);
                depth = 0;
                continue;
            }
            if (!inCreateTable)
                continue;
            m_inTableDefinition[size_t(k)] = true;
            if (isSymbol(k, "("))
                ++depth;
            else if (isSymbol(k, ")") && --depth == 0)
                inCreateTable = false;
            else if (isSymbol(k, ";") || (depth <= 0 && isWord(k, "AS")))
                inCreateTable = false;
            m_columnType[size_t(k)] = depth == 1 && k >= 2 && tok(k).kind == TokenKind::Word
                                      && (tok(k - 1).kind == TokenKind::Word
                                          || tok(k - 1).kind == TokenKind::Identifier)
                                      && (isSymbol(k - 2, "(") || isSymbol(k - 2, ","));
        }
    }

    // Whether significant token k ends the (dotted) name of an ALTER TABLE.
    bool isAlterTableName(int k) const
    {
        if (!isName(k))
            return false;
        while (isSymbol(k - 1, ".") && isName(k - 2))
            k -= 2;
        return isWord(k - 1, "TABLE") && isWord(k - 2, "ALTER");
    }

    void rewriteSimpleTokens()
    {
        // SQLite ends a block comment at the first "*/": a nested one goes as a blank.
        for (size_t i = 0; i < m_tokens.size(); ++i)
            if (m_tokens[i].kind == TokenKind::Comment && m_tokens[i].text.startsWith(QLatin1String("/*"))
                && m_tokens[i].text.indexOf(QLatin1String("/*"), 2) >= 0)
                m_out[i] = QStringLiteral(" ");
        for (int k = 0; k < count(); ++k) {
            const Token &t = tok(k);
            if (t.kind == TokenKind::String
                && (t.text.startsWith(QLatin1Char('N')) || t.text.startsWith(QLatin1Char('n'))))
                out(k) = t.text.mid(1);
            else if (t.kind == TokenKind::Identifier && t.text.startsWith(QLatin1Char('['))
                     && isClosed(t.text, QLatin1Char(']'))) {
                QString name = t.text.mid(1, t.text.size() - 2);
                name.replace(QLatin1String("]]"), QLatin1String("]"));
                name.replace(QLatin1String("\""), QLatin1String("\"\""));
                out(k) = QLatin1Char('"') + name + QLatin1Char('"');
            } else if (isWord(k, "@@TRANCOUNT"))
                out(k) = QStringLiteral("0");
            else if (isWord(k, "@@VERSION"))
                out(k) = QStringLiteral("('Quorvet embedded store (SQLite ' || sqlite_version() || ')')");
            else if (isCharCall(k))
                out(k) = QStringLiteral("char");
        }
    }

    // CONVERT(DATETIME, 'yyyy-mm-dd[ hh:mm[:ss[.fff]]]' [, style]) becomes the date text.
    void rewriteConvert()
    {
        static const QRegularExpression date(QStringLiteral(
            "^'(\\d{4})[-./](\\d{1,2})[-./](\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?)?'$"));
        for (int k = 0; k + 5 < count(); ++k) {
            if (!isWord(k, "CONVERT") || !isSymbol(k + 1, "(") || !isWord(k + 2, "DATETIME") || !isSymbol(k + 3, ",")
                || !isString(k + 4))
                continue;
            int close = -1;
            if (isSymbol(k + 5, ")"))
                close = k + 5;
            else if (isSymbol(k + 5, ",") && k + 7 < count() && tok(k + 6).kind == TokenKind::Number
                     && isSymbol(k + 7, ")"))
                close = k + 7;
            const QRegularExpressionMatch m = date.match(out(k + 4));
            if (close < 0 || !m.hasMatch())
                continue;
            auto two = [](const QString &d) { return d.rightJustified(2, QLatin1Char('0')); };
            QString text = m.captured(1) + QLatin1Char('-') + two(m.captured(2)) + QLatin1Char('-')
                           + two(m.captured(3));
            if (!m.captured(4).isEmpty()) {
                text += QLatin1Char(' ') + two(m.captured(4)) + QLatin1Char(':') + m.captured(5) + QLatin1Char(':')
                        + (m.captured(6).isEmpty() ? QStringLiteral("00") : m.captured(6));
                if (!m.captured(7).isEmpty()) {
                    text += QLatin1Char('.') + m.captured(7).leftJustified(3, QLatin1Char('0'));
                    // Kept as a DATETIME is: to the 1/300 s tick.
                    const QDateTime exact = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
                    if (exact.isValid())
                        text = DateText::datetimeText(exact);
                }
            }
            blank(k, close);
            out(k) = QLatin1Char('\'') + text + QLatin1Char('\'');
            k = close;
        }
    }

    // Seconds in one unit of DATEDIFF/DATEADD's first argument, 0 for a unit not known here.
    int unitSeconds(int k) const
    {
        static const struct
        {
            const char *word;
            int seconds;
        } units[] = {{"SECOND", 1},  {"SS", 1},    {"S", 1},       {"MINUTE", 60}, {"MI", 60},  {"N", 60},
                     {"HOUR", 3600}, {"HH", 3600}, {"DAY", 86400}, {"DD", 86400},  {"D", 86400}};
        for (const auto &u : units)
            if (isWord(k, u.word))
                return u.seconds;
        return 0;
    }

    // DATEDIFF(unit, a, b) becomes the count of unit boundaries from a to b, as T-SQL counts
    // them: (0 - whole units of a + whole units of b), from the whole seconds since 1970 of each.
    // DATEADD(unit, n, x) becomes x moved by n units as a date text in the stored form
    // 'yyyy-mm-dd hh:mm:ss.fff'. The arguments keep their place and their own rewrites; only
    // the call's name, its first two tokens, its commas and its ')' are replaced.
    void rewriteDateArithmetic()
    {
        for (int k = 0; k + 3 < count(); ++k) {
            const bool diff = isWord(k, "DATEDIFF");
            if ((!diff && !isWord(k, "DATEADD")) || !isSymbol(k + 1, "(") || !isSymbol(k + 3, ","))
                continue;
            const int seconds = unitSeconds(k + 2);
            const int close = matchForward(k + 1);
            if (seconds == 0 || close < 0)
                continue;
            int comma = -1;
            int depth = 0;
            bool single = true;
            for (int j = k + 4; j < close; ++j) {
                if (isSymbol(j, "("))
                    ++depth;
                else if (isSymbol(j, ")"))
                    --depth;
                else if (depth == 0 && isSymbol(j, ",")) {
                    single = comma < 0;
                    comma = j;
                }
            }
            if (comma < 0 || !single || comma == k + 4 || comma + 1 == close)
                continue;
            const QString unit = QString::number(seconds);
            blank(k, k + 3);
            if (diff) {
                out(k) = QStringLiteral("(0 - unixepoch(");
                out(comma) = QStringLiteral(") / ") + unit + QStringLiteral(" + unixepoch(");
                out(close) = QStringLiteral(") / ") + unit + QLatin1Char(')');
            } else {
                out(k) = QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', (");
                out(comma) = QStringLiteral(") * ") + unit + QStringLiteral(" / 86400.0 + julianday(");
                out(close) = QStringLiteral("))");
            }
        }
    }

    // The text a closed '...' or N'...' literal denotes.
    static QString literalText(const QString &token)
    {
        const int open = token.front() == QLatin1Char('\'') ? 1 : 2;
        QString text = token.mid(open, token.size() - open - 1);
        text.replace(QLatin1String("''"), QLatin1String("'"));
        return text;
    }

    // The constant term that starts at k: a closed literal, or CHAR(n)/NCHAR(n) with n a plain
    // decimal literal naming a character other than NUL (which would end SQLite's text) and
    // other than a surrogate. Returns the term's last significant index, its text in *text,
    // or -1 when k starts no constant term.
    int constantTerm(int k, QString *text) const
    {
        if (isString(k)) {
            *text = literalText(tok(k).text);
            return k;
        }
        if (!isCharCall(k) || k + 3 >= count() || tok(k + 2).kind != TokenKind::Number || !isSymbol(k + 3, ")"))
            return -1;
        const QString &digits = tok(k + 2).text;
        char32_t code = 0;
        for (const QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
            code = code * 10 + char32_t(c.unicode() - '0');
            if (code > 0x10FFFF)
                return -1;
        }
        if (code == 0 || QChar::isSurrogate(code))
            return -1;
        *text = QString::fromUcs4(&code, 1);
        return k + 3;
    }

    static bool isComparison(const QString &symbol)
    {
        static const QStringList comparisons{QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("!="),
                                             QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="),
                                             QStringLiteral(">="), QStringLiteral("!<"), QStringLiteral("!>")};
        return comparisons.contains(symbol);
    }

    // Whether word k is a keyword after which a new expression starts.
    bool opensExpression(int k) const
    {
        static const char *const words[] = {"SELECT",   "WHERE", "AND",     "OR",     "NOT", "LIKE", "THEN",   "ELSE",
                                            "WHEN",     "CASE",  "RETURN",  "PRINT",  "SET", "ON",   "HAVING", "BY",
                                            "DISTINCT", "ALL",   "BETWEEN", "ESCAPE", "IF",  "WHILE"};
        for (const char *word : words)
            if (isWord(k, word))
                return true;
        return false;
    }

    // Whether word k is a keyword that ends the expression before it.
    bool closesExpression(int k) const
    {
        static const char *const words[] = {
            "AND",    "OR",    "NOT",    "LIKE",      "IN",      "IS",     "THEN",   "ELSE",   "WHEN",
            "END",    "FROM",  "WHERE",  "ORDER",     "GROUP",   "HAVING", "AS",     "ASC",    "DESC",
            "ESCAPE", "UNION", "EXCEPT", "INTERSECT", "BETWEEN", "ON",     "SELECT", "INSERT", "UPDATE",
            "DELETE", "SET",   "INTO",   "JOIN",      "INNER",   "LEFT",   "RIGHT",  "FULL",   "CROSS"};
        for (const char *word : words)
            if (isWord(k, word))
                return true;
        return false;
    }

    // Whether the significant token k ends an operand, so that a '+' after it is binary.
    bool endsOperand(int k) const
    {
        if (k < 0)
            return false;
        switch (tok(k).kind) {
        case TokenKind::String:
        case TokenKind::Identifier:
        case TokenKind::Number: return true;
        case TokenKind::Word: return !opensExpression(k);
        default: return isSymbol(k, ")");
        }
    }

    // Whether a run of terms may start after significant token k: nothing there binds its
    // first term tighter than '+' does (no '*', '/', '%', '-', unary sign, '.', COLLATE ...).
    bool mayStartRun(int k) const
    {
        if (k < 0)
            return true;
        if (tok(k).kind == TokenKind::Word)
            return opensExpression(k);
        if (tok(k).kind != TokenKind::Symbol)
            return false;
        if (isSymbol(k, "+"))
            return endsOperand(k - 1);
        return isSymbol(k, "(") || isSymbol(k, ",") || isSymbol(k, ";") || isComparison(tok(k).text);
    }

    // Whether a run of terms may end before significant token k: nothing there binds the
    // last term tighter than '+' does.
    bool mayEndRun(int k) const
    {
        if (k >= count())
            return true;
        if (tok(k).kind == TokenKind::Word)
            return closesExpression(k);
        if (tok(k).kind != TokenKind::Symbol)
            return false;
        return isSymbol(k, "+") || isSymbol(k, ")") || isSymbol(k, ",") || isSymbol(k, ";")
               || isComparison(tok(k).text);
    }

    // A run of two or more constant terms joined by '+' becomes one literal, so that a text
    // escaped as 'O' + CHAR(39) + 'Neil' reaches SQLite as 'O''Neil' and no number of
    // apostrophes builds an expression deeper than SQLite accepts. '+' is left-associative
    // and concatenation associative, so a run that follows a binary '+' folds too; a term
    // that an operator binding tighter than '+' holds stays out of the run.
    void foldConstants()
    {
        for (int k = 0; k < count(); ++k) {
            QString text;
            int last = constantTerm(k, &text);
            if (last < 0)
                continue;
            if (!mayStartRun(k - 1)) {
                k = last;
                continue;
            }
            QString value = text;
            int runEnd = last;
            int terms = 1;
            for (;;) {
                if (!isSymbol(last + 1, "+"))
                    break;
                const int next = constantTerm(last + 2, &text);
                if (next < 0)
                    break;
                if (!mayEndRun(next + 1)) {
                    last = next; // the term belongs to the tighter operator after it
                    break;
                }
                value += text;
                runEnd = last = next;
                ++terms;
            }
            if (terms >= 2 && mayEndRun(runEnd + 1)) {
                for (int j = k; j <= runEnd; ++j)
                    if (isSymbol(j, "+"))
                        m_concat[size_t(j)] = true;
                blank(k, runEnd);
                value.replace(QLatin1String("'"), QLatin1String("''"));
                out(k) = QLatin1Char('\'') + value + QLatin1Char('\'');
            }
            k = last;
        }
    }

    // The last significant index of the operand that starts at k: a folded run of literals
    // leaves its later tokens blank.
    int termEnd(int k)
    {
        int end = k;
        while (end + 1 < count() && out(end + 1).isEmpty())
            ++end;
        return end;
    }

    bool isAccentInsensitiveCollation(int collate)
    {
        return isWord(collate, "COLLATE") && collate + 1 < count()
               && SqlServerCollation::isAccentInsensitive(tok(collate + 1).text);
    }

    // SQL Server compares text by the database's collation, SQLite by the bytes unless told:
    // - a text column of CREATE TABLE without its own COLLATE gets the server's default;
    // - a text literal beside a comparison gets it too, so that a literal compared with an
    //   expression (RTRIM(no_tap) = 'a1', 'x' = 'X') compares as on the server; date texts
    //   keep the byte order, which is their order and lets an index on a date column serve;
    // - a LIKE whose operand or pattern carries an accent-insensitive COLLATE becomes
    //   REGEXP, the accent-insensitive matching function of SqlServerCollation (a SQL
    //   function cannot see the collation of its arguments).
    void addCollations()
    {
        static const QString suffix = QStringLiteral(" COLLATE ") + QLatin1String(SqlServerCollation::DefaultName);
        static const QRegularExpression dateText(QStringLiteral("^'\\d{4}-\\d{2}-\\d{2}"));
        static const char *const textTypes[] = {"VARCHAR", "NVARCHAR", "CHAR",      "NCHAR",
                                                "TEXT",    "NTEXT",    "CHARACTER", "SYSNAME"};
        for (int k = 0; k < count(); ++k) {
            if (m_inTableDefinition[size_t(k)]) {
                bool textType = false;
                for (const char *type : textTypes)
                    textType = textType || isWord(k, type);
                if (textType && m_columnType[size_t(k)]) {
                    int last = k;
                    if (isSymbol(k + 1, "(") && matchForward(k + 1) > 0)
                        last = matchForward(k + 1);
                    if (!isWord(last + 1, "COLLATE"))
                        out(last) += suffix;
                    k = last;
                }
                continue;
            }
            if (isWord(k, "LIKE")) {
                const int before = isWord(k - 1, "NOT") ? k - 2 : k - 1;
                const int patternEnd = k + 1 < count() ? termEnd(k + 1) : k;
                if (isAccentInsensitiveCollation(before - 1) || isAccentInsensitiveCollation(patternEnd + 1))
                    out(k) = QStringLiteral("REGEXP");
                continue;
            }
            QString text;
            const int last = constantTerm(k, &text);
            if (last < 0 || out(k).isEmpty())
                continue;
            const int end = termEnd(last);
            const bool compared = (k > 0 && tok(k - 1).kind == TokenKind::Symbol && isComparison(tok(k - 1).text))
                                  || (end + 1 < count() && tok(end + 1).kind == TokenKind::Symbol
                                      && isComparison(tok(end + 1).text));
            if (compared && !isWord(end + 1, "COLLATE") && !dateText.match(out(k)).hasMatch() && mayEndRun(end + 1))
                out(end) += suffix;
            k = end;
        }
    }

    // The name a token stands for: brackets and quotes gone, in upper case.
    QString nameOf(int k) const
    {
        const Token &t = tok(k);
        QString name = t.text;
        if (t.kind == TokenKind::Identifier && name.size() >= 2)
            name = name.mid(1, name.size() - 2);
        return name.toUpper();
    }
    bool isName(int k) const
    {
        return k >= 0 && k < count() && (tok(k).kind == TokenKind::Word || tok(k).kind == TokenKind::Identifier);
    }

    // "A LEFT JOIN B ... WHERE ... AND B.c IS NOT NULL" keeps no row that B does not give, so
    // it is the inner join, as SQL Server's optimiser treats it. SQLite sees this only when the
    // IS NOT NULL comes first among the conditions, and otherwise reads all of A in its join
    // order (the VIP list, a whole scan of the invitations, instead of one per VIP).
    // Only the plain case is taken: the condition a top-level AND term of the same SELECT's
    // WHERE, no OR at that level, no RIGHT or FULL join in the statement.
    void innerJoinsWhereNullsAreRejected()
    {
        std::vector<int> depth(m_sig.size(), 0);
        for (int k = 0, d = 0; k < count(); ++k) {
            if (isSymbol(k, ")"))
                --d;
            depth[size_t(k)] = d;
            if (isSymbol(k, "("))
                ++d;
            if ((isWord(k, "RIGHT") || isWord(k, "FULL")) && (isWord(k + 1, "JOIN") || isWord(k + 2, "JOIN")))
                return;
        }
        static const char *const clauseEnds[] = {"GROUP",     "ORDER",  "HAVING", "UNION", "EXCEPT",
                                                 "INTERSECT", "OPTION", "FOR",    "SELECT"};
        const auto endsClause = [&](int k, int d) {
            if (depth[size_t(k)] < d || isSymbol(k, ";"))
                return true;
            if (depth[size_t(k)] > d)
                return false;
            for (const char *word : clauseEnds)
                if (isWord(k, word))
                    return true;
            return false;
        };
        for (int k = 0; k < count(); ++k) {
            const int join = isWord(k + 1, "OUTER") ? k + 2 : k + 1;
            if (!isWord(k, "LEFT") || !isWord(join, "JOIN") || !isName(join + 1))
                continue;
            const int d = depth[size_t(k)];
            // The joined table's name (the last part of a dotted name) or its alias.
            int t = join + 1;
            while (isSymbol(t + 1, ".") && isName(t + 2))
                t += 2;
            QString reference = nameOf(t);
            if (isWord(t + 1, "AS") && isName(t + 2))
                reference = nameOf(t + 2);
            else if (isName(t + 1) && !isWord(t + 1, "ON") && !isWord(t + 1, "WITH"))
                reference = nameOf(t + 1);
            int where = t + 1;
            while (where < count() && !endsClause(where, d) && !(depth[size_t(where)] == d && isWord(where, "WHERE")))
                ++where;
            if (where >= count() || !isWord(where, "WHERE"))
                continue;
            bool rejected = false;
            bool hasOr = false;
            int termStart = where + 1;
            bool inBetween = false;
            for (int j = where + 1;; ++j) {
                const bool end = j >= count() || endsClause(j, d);
                if (!end && depth[size_t(j)] == d) {
                    if (isWord(j, "OR"))
                        hasOr = true;
                    if (isWord(j, "BETWEEN"))
                        inBetween = true;
                }
                const bool termEnds = end
                                      || (depth[size_t(j)] == d && isWord(j, "AND")
                                          && !std::exchange(inBetween, false));
                if (!termEnds)
                    continue;
                // term: [qualifier .]* reference . column IS NOT NULL
                const int last = j - 1;
                if (last - termStart >= 5 && isWord(last, "NULL") && isWord(last - 1, "NOT") && isWord(last - 2, "IS")
                    && isName(last - 3) && isSymbol(last - 4, ".") && isName(last - 5)
                    && nameOf(last - 5) == reference) {
                    int first = last - 5;
                    while (isSymbol(first - 1, ".") && isName(first - 2))
                        first -= 2;
                    rejected = rejected || first == termStart;
                }
                termStart = j + 1;
                if (end)
                    break;
            }
            if (rejected && !hasOr) {
                blank(k, join - 1);
                out(k) = QStringLiteral(" ");
            }
        }
    }

    // SELECT [DISTINCT|ALL] TOP n ... becomes SELECT ... LIMIT n at the end of that SELECT.
    // From the last SELECT back, so that a TOP inside another TOP's expression, or one whose
    // tokens carry an earlier SELECT's LIMIT, is rewritten before that text is moved or kept.
    void rewriteTop()
    {
        for (int k = count() - 1; k >= 0; --k) {
            if (!isWord(k, "SELECT"))
                continue;
            int j = k + 1;
            if (isWord(j, "DISTINCT") || isWord(j, "ALL"))
                ++j;
            if (!isWord(j, "TOP"))
                continue;
            int last;
            QString limit;
            if (j + 1 < count() && tok(j + 1).kind == TokenKind::Number) {
                last = j + 1;
                limit = tok(j + 1).text;
            } else if (isSymbol(j + 1, "(")) {
                last = matchForward(j + 1);
                if (last < 0)
                    continue;
            } else {
                continue;
            }
            if (isWord(last + 1, "PERCENT") || isWord(last + 1, "WITH"))
                continue;
            int end = last + 1;
            int depth = 0;
            for (; end < count(); ++end) {
                if (isSymbol(end, "("))
                    ++depth;
                else if (isSymbol(end, ")") && --depth < 0)
                    break;
                else if (depth == 0
                         && (isSymbol(end, ";") || isWord(end, "UNION") || isWord(end, "EXCEPT")
                             || isWord(end, "INTERSECT")))
                    break;
            }
            // A SELECT that runs into an unclosed literal or identifier is left as it is: the
            // LIMIT would land inside the quotes.
            if (!isClosedToken(end - 1))
                continue;
            // The expression of TOP (...) moves with its blanks and comments, so that two
            // literals in it never fuse into one.
            if (limit.isEmpty())
                limit = joined(m_sig[size_t(j + 1)], m_sig[size_t(last)]);
            blank(j, last);
            out(end - 1) += QStringLiteral(" LIMIT ") + limit;
        }
    }

    // Significant index where the operand that ends at k starts: a name with its qualifiers,
    // a call or parenthesised group, or a single token.
    int operandStart(int k) const
    {
        int start = k;
        if (isSymbol(k, ")")) {
            start = matchBackward(k);
            if (start < 0)
                return k;
            if (start > 0 && tok(start - 1).kind == TokenKind::Word)
                --start;
            return start;
        }
        while (start >= 2 && isSymbol(start - 1, ".")
               && (tok(start - 2).kind == TokenKind::Word || tok(start - 2).kind == TokenKind::Identifier))
            start -= 2;
        return start;
    }

    bool isCharCall(int k) const
    {
        // CAST(x AS CHAR(10)) and CONVERT(CHAR(10), x) name the type, not the function.
        const bool typeName = isWord(k - 1, "AS") || (isSymbol(k - 1, "(") && isWord(k - 2, "CONVERT"));
        return (isWord(k, "CHAR") || isWord(k, "NCHAR")) && isSymbol(k + 1, "(") && !m_columnType[size_t(k)]
               && !typeName;
    }

    bool leftIsString(int plus) const
    {
        const int k = plus - 1;
        if (k < 0)
            return false;
        if (isString(k))
            return true;
        if (isSymbol(k, ")")) {
            const int open = matchBackward(k);
            if (open > 0 && isCharCall(open - 1))
                return true;
            // A parenthesised concatenation.
            int depth = 0;
            for (int x = open + 1; open >= 0 && x < k; ++x) {
                if (isSymbol(x, "("))
                    ++depth;
                else if (isSymbol(x, ")"))
                    --depth;
                else if (depth == 0 && m_concat[size_t(x)])
                    return true;
            }
        }
        const int start = operandStart(k);
        return start > 0 && m_concat[size_t(start - 1)];
    }

    bool rightIsString(int plus) const { return isString(plus + 1) || isCharCall(plus + 1); }

    void rewriteConcatenation()
    {
        for (int k = 0; k < count(); ++k) {
            // A '+' that TOP moved away is left alone, and one that ends a SELECT keeps the
            // LIMIT appended to it.
            if (isSymbol(k, "+") && out(k).startsWith(QLatin1Char('+')) && (leftIsString(k) || rightIsString(k))) {
                out(k).replace(0, 1, QStringLiteral("||"));
                m_concat[size_t(k)] = true;
            }
        }
    }

    std::vector<Token> m_tokens;
    std::vector<QString> m_out;
    std::vector<size_t> m_sig;
    std::vector<bool> m_concat;
    std::vector<bool> m_inTableDefinition;
    std::vector<bool> m_columnType;
    bool m_serverCollation;
};

QString translate(const QString &tsql, bool withServerCollation)
{
    // sp_helpindex 'table' as SQL Server answers it: one row per index with its key columns
    // in order, joined by ", ".
    static const QRegularExpression helpIndex(
        QStringLiteral("^\\s*(?:EXEC(?:UTE)?\\s+)?(?:dbo\\.)?sp_helpindex\\s+N?'((?:[^']|'')*)'\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch index = helpIndex.match(tsql);
    if (index.hasMatch())
        return QStringLiteral("SELECT il.name AS index_name, CASE WHEN il.\"unique\" THEN 'nonclustered, unique' "
                              "ELSE 'nonclustered' END AS index_description, (SELECT group_concat(ii.name, ', ') "
                              "FROM (SELECT name FROM pragma_index_info(il.name) ORDER BY seqno) ii) AS index_keys "
                              "FROM pragma_index_list('%1') il ORDER BY il.name")
            .arg(index.captured(1));
    return Translation(tsql, withServerCollation).run();
}

} // namespace

QString toSqlite(const QString &tsql)
{
    return translate(tsql, false);
}

QString toSqliteWithServerCollation(const QString &tsql)
{
    return translate(tsql, true);
}

} // namespace TSqlTranslator

// The T-SQL to SQLite translation: what it rewrites, and that it never touches the inside
// of literals, identifiers and comments.
#include "data/tsqltranslator.h"
#include "tests/support/literalchains.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using TSqlTranslator::tokenize;
using TSqlTranslator::TokenKind;
using TSqlTranslator::toSqlite;

// The texts of the tokens of one kind, in order.
QStringList tokensOf(const QString &sql, TokenKind kind)
{
    QStringList texts;
    for (const auto &t : tokenize(sql))
        if (t.kind == kind)
            texts << t.text;
    return texts;
}

QString collapsed(QString s)
{
    return s.simplified();
}

QStringList denotedTexts(const QString &sql)
{
    return TestSupport::LiteralChains(sql).texts();
}

TEST(TSqlTranslator, TokensGiveBackTheInputExactly)
{
    const QStringList inputs{
        QStringLiteral("SELECT [a]]b], \"c\"\"d\", N'x''y' FROM t -- fim\n/* a /* b */ c */ WHERE x<>1.5e+3"),
        QStringLiteral("'unterminated"),
        QStringLiteral("[unterminated"),
        QStringLiteral("/* unterminated"),
        QStringLiteral("\xC3\xA9 \xF0\x9F\x98\x80 ;;"),
        QString(),
    };
    for (const QString &in : inputs) {
        QString back;
        for (const auto &t : tokenize(in))
            back += t.text;
        EXPECT_EQ(back, in);
    }
    EXPECT_EQ(tokensOf(inputs[0], TokenKind::Identifier),
              (QStringList{QStringLiteral("[a]]b]"), QStringLiteral("\"c\"\"d\"")}));
    EXPECT_EQ(tokensOf(inputs[0], TokenKind::String), QStringList{QStringLiteral("N'x''y'")});
    EXPECT_EQ(tokensOf(inputs[0], TokenKind::Comment),
              (QStringList{QStringLiteral("-- fim"), QStringLiteral("/* a /* b */ c */")}));
    EXPECT_EQ(tokensOf(inputs[0], TokenKind::Number), QStringList{QStringLiteral("1.5e+3")});
}

TEST(TSqlTranslator, RewritesTheFormsTheDeskSends)
{
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP 1 arquivodocumental FROM tbDefs"))),
              QStringLiteral("SELECT arquivodocumental FROM tbDefs LIMIT 1"));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT DISTINCT TOP (3) a FROM t ORDER BY a -- x"))),
              QStringLiteral("SELECT DISTINCT a FROM t ORDER BY a LIMIT (3) -- x"));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT a FROM t WHERE b IN (SELECT TOP 2 b FROM u); SELECT 1"))),
              QStringLiteral("SELECT a FROM t WHERE b IN (SELECT b FROM u LIMIT 2); SELECT 1"));
    EXPECT_EQ(toSqlite(QStringLiteral("WHERE nome = 'O' + CHAR(39) + 'Neil'")),
              QStringLiteral("WHERE nome = 'O''Neil'"));
    EXPECT_EQ(toSqlite(QStringLiteral("WHERE nome = c + CHAR(39)")), QStringLiteral("WHERE nome = c || char(39)"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT a + b, 1 + 2, x.y + 'z' + w + v, (c + 'd') + e")),
              QStringLiteral("SELECT a + b, 1 + 2, x.y || 'z' || w || v, (c || 'd') || e"));
    EXPECT_EQ(toSqlite(QStringLiteral("WHERE d >= CONVERT(DATETIME,'2026-12-07',102) AND e < CONVERT ( DATETIME , "
                                      "'2026.1.2 8:51:44' , 102 )")),
              QStringLiteral("WHERE d >= '2026-12-07' AND e < '2026-01-02 08:51:44'"));
    // Milliseconds as a DATETIME keeps them: to the 1/300 s tick.
    EXPECT_EQ(toSqlite(QStringLiteral("SET d = CONVERT(DATETIME,'2026-12-09 14:59:59.999',121), "
                                      "e = CONVERT(DATETIME,'2026-12-09 09:00:00.005',121)")),
              QStringLiteral("SET d = '2026-12-09 15:00:00.000', e = '2026-12-09 09:00:00.007'"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT @@TRANCOUNT as flTrans")), QStringLiteral("SELECT 0 as flTrans"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT [no empresa], [a]]b] FROM [tb\"x]")),
              QStringLiteral("SELECT \"no empresa\", \"a]b\" FROM \"tb\"\"x\""));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT N'Sá'")), QStringLiteral("SELECT 'Sá'"));
    // Rewritten pieces never fuse with their neighbours, and nested comments cannot end early.
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT [a][b], 'x'N'y'")), QStringLiteral("SELECT \"a\" \"b\", 'x' 'y'"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT 1 /* a /* b */ c */")), QStringLiteral("SELECT 1  "));
}

// The desk escapes each apostrophe as ' + CHAR(39) + '; on the embedded store a run of
// constants joined by '+' becomes one literal, so that the expression stays shallow however
// many apostrophes an entry holds.
TEST(TSqlTranslator, ConstantRunsFoldIntoOneLiteral)
{
    const struct
    {
        const char *tsql;
        const char *sqlite;
    } cases[] = {
        {"SELECT 'a' + 'b'", "SELECT 'ab'"},
        {"SELECT N'Sá' + NCHAR(8364) + char(233) + CHAR(0128512)", "SELECT 'Sá€é😀'"},
        {"SELECT '' + CHAR(39) + ''", "SELECT ''''"},
        {"SELECT 'a' /* x */ + -- y\n'b' FROM t", "SELECT 'ab' FROM t"},
        // Literal text that looks like SQL stays text.
        {"SELECT 'a -- b' + CHAR(39) + '; /* c' + '*/ d' FROM t", "SELECT 'a -- b''; /* c*/ d' FROM t"},
        // Two runs in one statement, and runs in lists and calls.
        {"UPDATE t SET a = 'x' + CHAR(39), b = N'y' + 'z' WHERE c IN ('d' + 'e', UPPER('f' + 'g'))",
         "UPDATE t SET a = 'x''', b = 'yz' WHERE c IN ('de', UPPER('fg'))"},
        {"SELECT 1 WHERE 'a' + 'b' = 'c' + 'd' AND NOT 'e' + 'f' LIKE 'g' + 'h' ESCAPE 'i' + 'j'",
         "SELECT 1 WHERE 'ab' = 'cd' AND NOT 'ef' LIKE 'gh' ESCAPE 'ij'"},
        // A run next to other operands of '+' folds; those operands stay concatenations.
        {"SELECT x + 'a' + 'b', 'a' + 'b' + x, ('a' + 'b') + x", "SELECT x || 'ab', 'ab' || x, ('ab') || x"},
        // Terms that a tighter operator holds stay out of the run.
        {"SELECT 'a' + 'b' * 2", "SELECT 'a' || 'b' * 2"},
        {"SELECT 'a' + 'b' + 'c' * 2", "SELECT 'ab' || 'c' * 2"},
        {"SELECT 2 * 'a' + 'b' + 'c'", "SELECT 2 * 'a' || 'bc'"},
        {"SELECT x - 'a' + 'b', -'a' + 'b', 'a' + 'b' - x", "SELECT x - 'a' || 'b', -'a' || 'b', 'a' || 'b' - x"},
        {"SELECT 'a' + 'b' COLLATE Latin1_General_CI_AS", "SELECT 'a' || 'b' COLLATE Latin1_General_CI_AS"},
        {"SELECT t.'a' + 'b'", "SELECT t.'a' || 'b'"},
        // CHAR of anything but a character it can write leaves the call in place.
        {"SELECT 'a' + CHAR(x) + 'b'", "SELECT 'a' || char(x) || 'b'"},
        {"SELECT 'a' + 'b' + CHAR(x)", "SELECT 'ab' || char(x)"},
        {"SELECT 'a' + CHAR(0) + 'b'", "SELECT 'a' || char(0) || 'b'"},
        {"SELECT 'a' + CHAR(55296) + CHAR(1114112) + CHAR(39.0) + CHAR(-39)",
         "SELECT 'a' || char(55296) || char(1114112) || char(39.0) || char(-39)"},
        // When in doubt (an alias after the run), no folding.
        {"SELECT 'a' + 'b' nome", "SELECT 'a' || 'b' nome"},
        // An unclosed literal is never part of a run.
        {"SELECT 'a' + 'b", "SELECT 'a' || 'b"},
        // A run inside TOP (...) moves folded.
        {"SELECT TOP (LENGTH('a' + CHAR(39))) x FROM t", "SELECT x FROM t LIMIT (LENGTH('a'''))"},
        {"SELECT TOP 1 x FROM t WHERE y = 'a' + 'b'", "SELECT x FROM t WHERE y = 'ab' LIMIT 1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tsql);
        const QString out = toSqlite(QString::fromUtf8(c.tsql));
        EXPECT_EQ(collapsed(out), QString::fromUtf8(c.sqlite));
        EXPECT_EQ(denotedTexts(out), denotedTexts(QString::fromUtf8(c.tsql)));
    }
    // A folded literal never fuses with a literal or word beside it.
    EXPECT_EQ(tokensOf(toSqlite(QStringLiteral("SELECT('a'+'b')'c'")), TokenKind::String),
              (QStringList{QStringLiteral("'ab'"), QStringLiteral("'c'")}));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT'a'+'b'FROM t")), QStringLiteral("SELECT'ab'FROM t"));

    // Thousands of escaped apostrophes make one literal.
    QString entry;
    QString escaped = QStringLiteral("'");
    for (int i = 0; i < 3000; ++i) {
        entry += QStringLiteral("'x");
        escaped += QStringLiteral("' + CHAR(39) + 'x");
    }
    escaped += QLatin1Char('\'');
    entry.replace(QLatin1String("'"), QLatin1String("''"));
    EXPECT_EQ(toSqlite(QStringLiteral("WHERE a = ") + escaped),
              QStringLiteral("WHERE a = '") + entry + QLatin1Char('\''));
}

// The date arithmetic of the arrival statistics; what the rewritten text computes is checked
// on the embedded store by the statistics' own tests.
TEST(TSqlTranslator, DateArithmeticBecomesSqliteDateFunctions)
{
    const struct
    {
        const char *tsql;
        const char *sqlite;
    } cases[] = {
        {"SELECT DATEDIFF(MINUTE, CONVERT(DATETIME,'2026-12-09',102), checked_in) / 15 FROM t",
         "SELECT (0 - unixepoch( '2026-12-09') / 60 + unixepoch( checked_in) / 60) / 15 FROM t"},
        {"WHERE d > DATEADD(mi, -15, GETDATE())",
         "WHERE d > strftime('%Y-%m-%d %H:%M:%f', ( -15) * 60 / 86400.0 + julianday( GETDATE()))"},
        {"SELECT DATEDIFF(day, DATEADD(HOUR, 2, a), COALESCE(b, c))",
         "SELECT (0 - unixepoch( strftime('%Y-%m-%d %H:%M:%f', ( 2) * 3600 / 86400.0 + julianday( a))) / 86400 + "
         "unixepoch( COALESCE(b, c)) / 86400)"},
        // Units, argument counts and texts it does not know stay as they are.
        {"SELECT DATEDIFF(WEEK, a, b), DATEADD(MINUTE, 1), DATEDIFF(SECOND, a, b, c), 'DATEADD(DAY, 1, x)'",
         "SELECT DATEDIFF(WEEK, a, b), DATEADD(MINUTE, 1), DATEDIFF(SECOND, a, b, c), 'DATEADD(DAY, 1, x)'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(collapsed(toSqlite(QString::fromUtf8(c.tsql))).toStdString(), c.sqlite);
}

// An outer join whose WHERE drops the rows without a match is an inner join; anything less
// plain stays outer.
TEST(TSqlTranslator, OuterJoinWhoseMissingRowsAreDroppedBecomesInner)
{
    const struct
    {
        const char *tsql;
        bool inner;
    } cases[] = {
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE a.d is not null AND b.k is not null ORDER BY a.n", true},
        {"SELECT a.x FROM dbo.a LEFT OUTER JOIN KORDA.dbo.[b] AS v ON a.k = v.k WHERE V.k IS NOT NULL", true},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE a.d BETWEEN 1 AND 2 AND b.k IS NOT NULL", true},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE a.d IS NULL OR b.k IS NOT NULL", false},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE a.k IS NOT NULL", false},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE NOT b.k IS NOT NULL", false},
        {"SELECT a.x FROM a LEFT JOIN b v ON a.k = v.k WHERE b.k IS NOT NULL", false},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k RIGHT JOIN c ON c.k = a.k WHERE b.k IS NOT NULL", false},
        {"SELECT * FROM (SELECT a.x FROM a LEFT JOIN b ON a.k = b.k) s WHERE s.k IS NOT NULL", false},
        {"SELECT a.x FROM a LEFT JOIN b ON a.k = b.k WHERE a.y IN (SELECT y FROM c WHERE b.k IS NOT NULL)", false},
    };
    for (const auto &c : cases) {
        const QString sqlite = toSqlite(QString::fromUtf8(c.tsql));
        EXPECT_EQ(sqlite.contains(QLatin1String("LEFT"), Qt::CaseInsensitive), !c.inner) << c.tsql;
        EXPECT_TRUE(sqlite.contains(QLatin1String(" JOIN "), Qt::CaseInsensitive)) << c.tsql;
    }
}

// A text column made by CREATE TABLE or added by ALTER TABLE compares as the server's does.
TEST(TSqlTranslator, TextColumnsTakeTheServersCollation)
{
    EXPECT_EQ(TSqlTranslator::toSqliteWithServerCollation(QStringLiteral("CREATE TABLE t (a CHAR(10), n INT)")),
              QStringLiteral("CREATE TABLE t (a CHAR(10) COLLATE SQL_Latin1_General_CP1_CI_AS, n INT)"));
    EXPECT_EQ(TSqlTranslator::toSqliteWithServerCollation(QStringLiteral("ALTER TABLE dbo.t ADD c VARCHAR(10) NULL")),
              QStringLiteral("ALTER TABLE dbo.t ADD c VARCHAR(10) COLLATE SQL_Latin1_General_CP1_CI_AS NULL"));
}

TEST(TSqlTranslator, LeavesWhatItDoesNotKnowAlone)
{
    const QStringList unchanged{
        QStringLiteral("UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 5 AND checked_in IS NULL"),
        QStringLiteral("SELECT * FROM t WHERE a is not null"),
        QStringLiteral("SELECT TOP 10 PERCENT a FROM t"),
        QStringLiteral("SELECT CONVERT(VARCHAR(10), d, 103) FROM t"),
        QStringLiteral("SELECT CONVERT(DATETIME, 'amanhã', 102)"),
        QStringLiteral("SELECT 'unterminated + CHAR(39)"),
        QStringLiteral("SELECT [unterminated"),
        // A column's or a conversion's type is no call of the CHAR function.
        QStringLiteral("CREATE TABLE t (a CHAR(10), \"b\" NCHAR(39) NOT NULL, c VARCHAR(5))"),
        QStringLiteral("ALTER TABLE dbo.t ADD c CHAR(10) NULL"),
        QStringLiteral("SELECT CAST(a AS CHAR(10)), CONVERT(NCHAR(39), b) FROM t"),
    };
    for (const QString &sql : unchanged)
        EXPECT_EQ(toSqlite(sql), sql);
}

TEST(TSqlTranslator, AnyTextTokenizesBackAndTranslatesWithoutHarm)
{
    // Pieces that tend to confuse a scanner, glued together at random (fixed seed).
    const QStringList pieces{
        QStringLiteral("'"),        QStringLiteral("''"),         QStringLiteral("["),       QStringLiteral("]"),
        QStringLiteral("\""),       QStringLiteral("--"),         QStringLiteral("/*"),      QStringLiteral("*/"),
        QStringLiteral("+"),        QStringLiteral("("),          QStringLiteral(")"),       QStringLiteral("TOP"),
        QStringLiteral("SELECT"),   QStringLiteral("CHAR"),       QStringLiteral("CONVERT"), QStringLiteral("N"),
        QStringLiteral("1"),        QStringLiteral(" "),          QStringLiteral("\n"),      QStringLiteral(","),
        QStringLiteral("DATETIME"), QStringLiteral("@@TRANCOUNT")};
    quint32 seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        QString sql;
        for (int i = 0; i < 12; ++i) {
            seed = seed * 1664525u + 1013904223u;
            sql += pieces[int((seed >> 8) % quint32(pieces.size()))];
        }
        QString back;
        for (const auto &t : tokenize(sql))
            back += t.text;
        ASSERT_EQ(back, sql);
        const QString out = toSqlite(sql);
        // Only complete literals are ever passed on, and every constant expression still
        // denotes its text (folded into one literal or not).
        if (!sql.contains(QLatin1String("CONVERT"))) { // a recognised CONVERT turns into a new literal
            EXPECT_EQ(denotedTexts(out), denotedTexts(sql)) << sql.toStdString() << " -> " << out.toStdString();
        }
        EXPECT_EQ(tokensOf(out, TokenKind::Identifier).size(), tokensOf(sql, TokenKind::Identifier).size())
            << sql.toStdString() << " -> " << out.toStdString();
    }
}

TEST(TSqlTranslator, NeverRewritesInsideLiteralsIdentifiersOrComments)
{
    const QStringList inside{
        QStringLiteral("''"),
        QStringLiteral("'a + ''b'' + CHAR(39)'"),
        QStringLiteral("'-- nada'"),
        QStringLiteral("'; DROP TABLE x; --'"),
        QStringLiteral("'/* não */'"),
        QStringLiteral("'SELECT TOP 1 x'"),
        QStringLiteral("'GETDATE()'"),
        QStringLiteral("'CONVERT(DATETIME,''2026-01-01'',102)'"),
        QStringLiteral("'@@TRANCOUNT'"),
        QStringLiteral("'[x]'"),
    };
    for (const QString &literal : inside) {
        SCOPED_TRACE(literal.toStdString());
        const QString sql
            = QStringLiteral("SELECT %1 /* 'x' + 'y' TOP 2 */ , \"TOP 3 + 'q'\" -- GETDATE() + 'a'\n").arg(literal);
        const QString out = toSqlite(sql);
        QStringList strings = tokensOf(sql, TokenKind::String);
        strings << tokensOf(sql, TokenKind::Comment) << tokensOf(sql, TokenKind::Identifier);
        QStringList after = tokensOf(out, TokenKind::String);
        after << tokensOf(out, TokenKind::Comment) << tokensOf(out, TokenKind::Identifier);
        EXPECT_EQ(after, strings);

        // Folded with the escape after it, the literal's text is the head of the one literal.
        const QString folded = toSqlite(
            QStringLiteral("SELECT TOP 1 a FROM t WHERE b = %1 + CHAR(39) + 'z'").arg(literal));
        QString text = literal.mid(1, literal.size() - 2);
        text.replace(QLatin1String("''"), QLatin1String("'"));
        QString expected = text + QStringLiteral("'z");
        expected.replace(QLatin1String("'"), QLatin1String("''"));
        EXPECT_EQ(folded, QStringLiteral("SELECT  a FROM t WHERE b = '%1' LIMIT 1").arg(expected));
    }
}

// Found by fuzz_tsqltranslator: the LIMIT of a TOP went inside a literal left open at the end
// of the statement, the literals of TOP (...) lost the blank between them and fused, and a
// LIMIT was lost when a string '+' or a later TOP rewrote the token that carried it.
TEST(TSqlTranslator, TopNeverReachesIntoLiterals)
{
    const QString open = QStringLiteral("SELECT TOP 1 * FROM tbConvites WHERE No_TAP = 'x' + 'y");
    EXPECT_EQ(tokensOf(toSqlite(open), TokenKind::String), tokensOf(open, TokenKind::String));
    const QString openName = QStringLiteral("SELECT TOP 1 * FROM \"tbConvites");
    EXPECT_EQ(tokensOf(toSqlite(openName), TokenKind::Identifier), tokensOf(openName, TokenKind::Identifier));

    const QString twoLiterals = QStringLiteral("SELECT TOP (LENGTH('a' /* x */ 'b')) a FROM t");
    EXPECT_EQ(tokensOf(toSqlite(twoLiterals), TokenKind::String), tokensOf(twoLiterals, TokenKind::String));
    const QString nLiterals = QStringLiteral("SELECT TOP (LENGTH('a'N'b')) c FROM t");
    EXPECT_EQ(tokensOf(toSqlite(nLiterals), TokenKind::String),
              (QStringList{QStringLiteral("'a'"), QStringLiteral("'b'")}));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (2) a FROM t"))),
              QStringLiteral("SELECT a FROM t LIMIT (2)"));
    // A concatenation that ends the SELECT keeps the LIMIT; one inside TOP (...) moves with it.
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP 1 'a' + ; SELECT 2"))),
              QStringLiteral("SELECT 'a' || LIMIT 1 ; SELECT 2"));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (LENGTH('a' + x)) 'c' FROM t"))),
              QStringLiteral("SELECT 'c' FROM t LIMIT (LENGTH('a' + x))"));
    // A SELECT with TOP inside another one's TOP or at its end: both limits stay.
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (2) 'a' + x SELECT TOP 1 'c'"))),
              QStringLiteral("SELECT 'a' || x SELECT 'c' LIMIT 1 LIMIT (2)"));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (SELECT TOP 1 n FROM t) 'a' FROM u"))),
              QStringLiteral("SELECT 'a' FROM u LIMIT (SELECT n FROM t LIMIT 1)"));
}

} // namespace

// The T-SQL to SQLite translation: what it rewrites, and that it never touches the inside
// of literals, identifiers and comments.
#include "data/tsqltranslator.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using TSqlTranslator::TokenKind;
using TSqlTranslator::tokenize;
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
    EXPECT_EQ(tokensOf(inputs[0], TokenKind::Identifier), (QStringList{QStringLiteral("[a]]b]"), QStringLiteral("\"c\"\"d\"")}));
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
              QStringLiteral("WHERE nome = 'O' || char(39) || 'Neil'"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT a + b, 1 + 2, x.y + 'z' + w + v, (c + 'd') + e")),
              QStringLiteral("SELECT a + b, 1 + 2, x.y || 'z' || w || v, (c || 'd') || e"));
    EXPECT_EQ(toSqlite(QStringLiteral("WHERE d >= CONVERT(DATETIME,'2026-12-07',102) AND e < CONVERT ( DATETIME , "
                                      "'2026.1.2 8:51:44' , 102 )")),
              QStringLiteral("WHERE d >= '2026-12-07' AND e < '2026-01-02 08:51:44'"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT @@TRANCOUNT as flTrans")), QStringLiteral("SELECT 0 as flTrans"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT [no empresa], [a]]b] FROM [tb\"x]")),
              QStringLiteral("SELECT \"no empresa\", \"a]b\" FROM \"tb\"\"x\""));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT N'Sá'")), QStringLiteral("SELECT 'Sá'"));
    // Rewritten pieces never fuse with their neighbours, and nested comments cannot end early.
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT [a][b], 'x'N'y'")), QStringLiteral("SELECT \"a\" \"b\", 'x' 'y'"));
    EXPECT_EQ(toSqlite(QStringLiteral("SELECT 1 /* a /* b */ c */")), QStringLiteral("SELECT 1  "));
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
    };
    for (const QString &sql : unchanged)
        EXPECT_EQ(toSqlite(sql), sql);
}

TEST(TSqlTranslator, AnyTextTokenizesBackAndTranslatesWithoutHarm)
{
    // Pieces that tend to confuse a scanner, glued together at random (fixed seed).
    const QStringList pieces{QStringLiteral("'"), QStringLiteral("''"), QStringLiteral("["), QStringLiteral("]"),
                             QStringLiteral("\""), QStringLiteral("--"), QStringLiteral("/*"), QStringLiteral("*/"),
                             QStringLiteral("+"), QStringLiteral("("), QStringLiteral(")"), QStringLiteral("TOP"),
                             QStringLiteral("SELECT"), QStringLiteral("CHAR"), QStringLiteral("CONVERT"),
                             QStringLiteral("N"), QStringLiteral("1"), QStringLiteral(" "), QStringLiteral("\n"),
                             QStringLiteral(","), QStringLiteral("DATETIME"), QStringLiteral("@@TRANCOUNT")};
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
        // Only complete literals are ever passed on, and each unchanged.
        QStringList before;
        for (const QString &s : tokensOf(sql, TokenKind::String))
            before << (s.startsWith(QLatin1Char('N')) ? s.mid(1) : s);
        const QStringList after = tokensOf(out, TokenKind::String);
        if (!sql.contains(QLatin1String("CONVERT"))) { // a recognised CONVERT turns into a new literal
            EXPECT_EQ(after, before) << sql.toStdString() << " -> " << out.toStdString();
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
        for (const QString &sql :
             {QStringLiteral("SELECT TOP 1 a FROM t WHERE b = %1 + CHAR(39) + 'z'").arg(literal),
              QStringLiteral("SELECT %1 /* 'x' + 'y' TOP 2 */ , \"TOP 3 + 'q'\" -- GETDATE() + 'a'\n").arg(literal)}) {
            SCOPED_TRACE(sql.toStdString());
            const QString out = toSqlite(sql);
            QStringList strings = tokensOf(sql, TokenKind::String);
            strings << tokensOf(sql, TokenKind::Comment) << tokensOf(sql, TokenKind::Identifier);
            QStringList after = tokensOf(out, TokenKind::String);
            after << tokensOf(out, TokenKind::Comment) << tokensOf(out, TokenKind::Identifier);
            EXPECT_EQ(after, strings);
        }
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
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (LENGTH('a' + 'b')) 'c' FROM t"))),
              QStringLiteral("SELECT 'c' FROM t LIMIT (LENGTH('a' + 'b'))"));
    // A SELECT with TOP inside another one's TOP or at its end: both limits stay.
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (2) 'a' + 'b' SELECT TOP 1 'c'"))),
              QStringLiteral("SELECT 'a' || 'b' SELECT 'c' LIMIT 1 LIMIT (2)"));
    EXPECT_EQ(collapsed(toSqlite(QStringLiteral("SELECT TOP (SELECT TOP 1 n FROM t) 'a' FROM u"))),
              QStringLiteral("SELECT 'a' FROM u LIMIT (SELECT n FROM t LIMIT 1)"));
}

} // namespace

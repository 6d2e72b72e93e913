// Trtf is the desk's only guard against SQL injection through the entry box: whatever the
// operator types or scans, "'" + Trtf(t) + "'" must be one T-SQL string expression that
// denotes t. Texts are generated from a fixed seed; QUORVET_PROPERTY_ITERATIONS raises the
// count and QUORVET_PROPERTY_SEED starts the generator elsewhere.
#include "data/connection.h"
#include "data/modcode.h"
#include "data/recordset.h"
#include "data/sqlservercollation.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <optional>
#include <random>
#include <vector>

namespace {

// Reads a T-SQL expression made of string literals joined by "+", where a piece may also
// be CHAR(39); returns the text it denotes, or nothing when the expression is anything
// else (an unterminated literal, a comment, a statement separator, a backslash line
// continuation inside a literal, trailing text ...).
std::optional<QString> denotedText(const QString &expr)
{
    int i = 0;
    const int n = expr.size();
    auto skipBlanks = [&] {
        while (i < n && (expr[i] == QLatin1Char(' ') || expr[i] == QLatin1Char('\t')))
            ++i;
    };
    auto literal = [&](QString *out) -> bool {
        if (i >= n || expr[i] != QLatin1Char('\''))
            return false;
        ++i;
        while (i < n) {
            const QChar c = expr[i];
            if (c == QLatin1Char('\'')) {
                if (i + 1 < n && expr[i + 1] == QLatin1Char('\'')) {
                    out->append(QLatin1Char('\''));
                    i += 2;
                    continue;
                }
                ++i;
                return true;
            }
            if (c == QLatin1Char('\\') && i + 1 < n
                && (expr[i + 1] == QLatin1Char('\n') || expr[i + 1] == QLatin1Char('\r')))
                return false; // SQL Server would drop the backslash and the line break
            out->append(c);
            ++i;
        }
        return false; // unterminated
    };
    QString text;
    if (!literal(&text))
        return std::nullopt;
    const QString charCode = QStringLiteral("CHAR(39)");
    for (;;) {
        skipBlanks();
        if (i == n)
            return text;
        if (expr[i] != QLatin1Char('+'))
            return std::nullopt;
        ++i;
        skipBlanks();
        if (QStringView(expr).mid(i).startsWith(charCode)) {
            text.append(QLatin1Char('\''));
            i += charCode.size();
        } else if (!literal(&text)) {
            return std::nullopt;
        }
    }
}

// Pieces that stress the escaping: quotes of every kind, comment and statement markers,
// backslashes and line breaks, NUL and other control characters, non-ASCII letters,
// look-alike apostrophes, surrogate pairs and fragments of the escape itself.
QString randomText(std::mt19937_64 &rng)
{
    static const std::vector<QString> pieces = {
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("\""),
        QStringLiteral("--"),
        QStringLiteral("/*"),
        QStringLiteral("*/"),
        QStringLiteral(";"),
        QStringLiteral("\\"),
        QStringLiteral("\n"),
        QStringLiteral("\r"),
        QStringLiteral("\r\n"),
        QStringLiteral("\\\n"),
        QString(QChar(0)),
        QStringLiteral("\t"),
        QStringLiteral(" "),
        QStringLiteral("  "),
        QStringLiteral("ã"),
        QStringLiteral("ç"),
        QStringLiteral("€"),
        QStringLiteral("漢"),
        QStringLiteral("\u2019"),
        QStringLiteral("\u02BC"),
        QStringLiteral("\uFF07"),
        QStringLiteral("😀"),
        QStringLiteral("CHAR(39)"),
        QStringLiteral(" + "),
        QStringLiteral("'+'"),
        QStringLiteral("' + CHAR(39) + '"),
        QStringLiteral("'; DROP TABLE tbConvites; --"),
        QStringLiteral("%"),
        QStringLiteral("["),
        QStringLiteral("_"),
        QStringLiteral("N'"),
        QStringLiteral("4711"),
        QStringLiteral("O'Neil"),
        QStringLiteral("abc"),
    };
    std::uniform_int_distribution<int> kind(0, 999);
    const int k = kind(rng);
    int length = 0;
    if (k < 2)
        length = std::uniform_int_distribution<int>(2000, 12000)(rng); // very long
    else if (k < 50)
        length = 0;
    else
        length = std::uniform_int_distribution<int>(1, 24)(rng);
    std::uniform_int_distribution<int> choice(0, 3);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> anyChar(0, 0xD7FF);
    std::uniform_int_distribution<int> control(0, 31);
    QString t;
    for (int j = 0; j < length; ++j) {
        switch (choice(rng)) {
        case 0: t += QChar(anyChar(rng)); break;
        case 1: t += QChar(control(rng)); break;
        default: t += pieces[piece(rng)]; break;
        }
    }
    return t;
}

int iterations()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUORVET_PROPERTY_ITERATIONS", &ok);
    return ok && n > 100000 ? n : 100000;
}

quint64 seed()
{
    bool ok = false;
    const qulonglong s = qEnvironmentVariable("QUORVET_PROPERTY_SEED").toULongLong(&ok);
    return ok ? s : 20261207;
}

QString spacesTrimmed(const QString &s)
{
    int first = 0;
    int end = s.size();
    while (first < end && s[first] == QLatin1Char(' '))
        ++first;
    while (end > first && s[end - 1] == QLatin1Char(' '))
        --end;
    return s.mid(first, end - first);
}

TEST(TrtfProperty, QuotedTrtfIsOneStringExpressionDenotingTheText)
{
    std::mt19937_64 rng(seed());
    const int count = iterations();
    int withApostrophe = 0;
    int withContinuation = 0;
    for (int k = 0; k < count; ++k) {
        const QString t = randomText(rng);
        QString escaped = t;
        const QString expr = QLatin1Char('\'') + modCode::Trtf(escaped) + QLatin1Char('\'');
        const auto denoted = denotedText(expr);
        ASSERT_TRUE(denoted.has_value()) << "seed " << seed() << " text #" << k << ": " << expr.toStdString();
        ASSERT_EQ(*denoted, t) << "seed " << seed() << " text #" << k;
        withApostrophe += t.contains(QLatin1Char('\''));
        withContinuation += t.contains(QStringLiteral("\\\n"));

        // The quoted codes build on the same escape.
        const QString trimmed = spacesTrimmed(t);
        const QString code3 = modCode::SQLValue(t, 3);
        if (trimmed.isEmpty()) {
            ASSERT_EQ(code3, QStringLiteral("null"));
        } else {
            ASSERT_EQ(denotedText(code3), std::optional<QString>(trimmed)) << "text #" << k;
            QString pattern = trimmed;
            pattern.replace(QLatin1Char(' '), QLatin1Char('%'));
            ASSERT_EQ(denotedText(modCode::SQLValue(t, 6)),
                      std::optional<QString>(QLatin1Char('%') + pattern + QLatin1Char('%')));
        }
    }
    // The generator really produced the dangerous cases.
    EXPECT_GT(withApostrophe, count / 10);
    EXPECT_GT(withContinuation, count / 100);
}

TEST(TrtfProperty, CheckerRejectsExpressionsThatDoNotDenoteOneText)
{
    EXPECT_EQ(denotedText(QStringLiteral("'O' + CHAR(39) + 'Neil'")), std::optional<QString>(QStringLiteral("O'Neil")));
    EXPECT_EQ(denotedText(QStringLiteral("'it''s'")), std::optional<QString>(QStringLiteral("it's")));
    EXPECT_FALSE(denotedText(QStringLiteral("'O'Neil'")).has_value());
    EXPECT_FALSE(denotedText(QStringLiteral("'x'; DROP TABLE t; --'")).has_value());
    EXPECT_FALSE(denotedText(QStringLiteral("'x' -- '")).has_value());
    EXPECT_FALSE(denotedText(QStringLiteral("'unterminated")).has_value());
    EXPECT_FALSE(denotedText(QStringLiteral("'a\\\nb'")).has_value());
    EXPECT_FALSE(denotedText(QStringLiteral("'a' + CHAR(34)")).has_value());
}

// The same property where it matters: the embedded store evaluates the quoted text back to
// the text itself, and a lookup built with it stays one statement that finds no other row.
TEST(TrtfProperty, TheEmbeddedStoreEvaluatesTheQuotedTextBackToTheText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("property.db"));
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE tbConvites (convite_no TEXT); INSERT INTO tbConvites VALUES ('4711');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_EQ(SqlServerCollation::addTo(db), SQLITE_OK);
    sqlite3_stmt *bound = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  db, "SELECT count(*) FROM tbConvites WHERE convite_no = ?1 COLLATE SQL_Latin1_General_CP1_CI_AS", -1,
                  &bound, nullptr),
              SQLITE_OK);
    const std::shared_ptr<void> closing(nullptr, [db, bound](void *) {
        sqlite3_finalize(bound);
        sqlite3_close(db);
    });

    auto connection = std::make_shared<Connection>();
    connection->Open(QStringLiteral("Provider=SQLite;Data Source=") + file);

    std::mt19937_64 rng(seed() + 1);
    int evaluated = 0;
    for (int k = 0; k < 3000; ++k) {
        QString t = randomText(rng);
        // Statement text ends at a NUL on every server, so a NUL can only cut a statement
        // short into a syntax error; the property is about every other character.
        t.remove(QChar(0));
        QString escaped = t;
        const QString literal = QLatin1Char('\'') + modCode::Trtf(escaped) + QLatin1Char('\'');

        RecordsetRef value = connection->Execute(QStringLiteral("SELECT ") + literal + QStringLiteral(" AS v"));
        ASSERT_FALSE(value->Eof());
        ASSERT_EQ(value->Fields(0).Value(), Value(t)) << "text #" << k;

        Recordset lookup;
        lookup.Open(QStringLiteral("SELECT count(*) AS n FROM tbConvites WHERE convite_no = ") + literal, connection);
        ASSERT_FALSE(lookup.Eof());
        // The escaped literal finds what the text bound as a parameter finds, under the
        // server's collation (which ignores trailing blanks and a few control characters).
        const QByteArray utf8 = t.toUtf8();
        sqlite3_reset(bound);
        sqlite3_bind_text(bound, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(bound), SQLITE_ROW);
        ASSERT_EQ(lookup.Fields(QStringLiteral("n")).Value(), Value(sqlite3_column_int(bound, 0))) << "text #" << k;
        lookup.MoveNext();
        ASSERT_TRUE(lookup.Eof());
        ++evaluated;
    }
    EXPECT_EQ(evaluated, 3000);
    Recordset rows;
    rows.Open(QStringLiteral("SELECT count(*) AS n FROM tbConvites"), connection);
    EXPECT_EQ(rows.Fields(QStringLiteral("n")).Value(), Value(1));
}

} // namespace

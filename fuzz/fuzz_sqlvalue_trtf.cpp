// Text literals built by modCode::SQLValue (code 3) and modCode::Trtf, run through the
// translator on an in-memory SQLite database, must evaluate back to exactly their text and
// must never change the shape of the statement they are appended to.
//
// Valid input: any bytes, read as UTF-8 (invalid sequences become U+FFFD) with every NUL
// removed. SQLite, like the ODBC call that hands SQL text to SQL Server, ends statement text
// at a NUL, so such a text could only cut the statement short (a syntax error), and neither
// the entry box nor a scanner produces one.
// Every statement must prepare: however many apostrophes the text holds, the translator
// folds the escape into one literal, so SQLite's expression depth limit is never reached.
#include "data/modcode.h"
#include "data/tsqltranslator.h"
#include "fuzz/fuzzcheck.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstring>

namespace {

sqlite3 *database()
{
    static sqlite3 *db = [] {
        sqlite3 *handle = nullptr;
        if (sqlite3_open(":memory:", &handle) != SQLITE_OK)
            fuzzFailure("sqlite3_open", QString());
        return handle;
    }();
    return db;
}

QString trimSpaces(const QString &s)
{
    qsizetype first = 0;
    qsizetype end = s.size();
    while (first < end && s[first] == QLatin1Char(' '))
        ++first;
    while (end > first && s[end - 1] == QLatin1Char(' '))
        --end;
    return s.mid(first, end - first);
}

// Runs the SQLite form of tsql; it must prepare as one complete statement. The rows' first
// columns go to *rows.
void runOneStatement(const QString &tsql, QList<QByteArray> *rows, QList<int> *types)
{
    const QByteArray sql = TSqlTranslator::toSqlite(tsql).toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(database(), sql.constData(), int(sql.size()), &stmt, &tail);
    FUZZ_CHECK(rc == SQLITE_OK,
               QString::fromUtf8(sqlite3_errmsg(database())) + QLatin1Char('\n') + QString::fromUtf8(sql.left(2000)));
    FUZZ_CHECK(stmt != nullptr, QString::fromUtf8(sql));
    FUZZ_CHECK(tail == sql.constData() + sql.size(), QStringLiteral("statement tail: ") + QString::fromUtf8(tail));
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
        types->append(sqlite3_column_type(stmt, 0));
        rows->append(QByteArray(text ? text : "", sqlite3_column_bytes(stmt, 0)));
    }
    FUZZ_CHECK(step == SQLITE_DONE, QString::fromUtf8(sqlite3_errmsg(database())));
    sqlite3_finalize(stmt);
}

// The literal evaluates to expected (a null SQL value when expected is null) and, appended
// to a WHERE clause, keeps the statement one statement with at most one row.
void checkLiteral(const QString &literal, const QString &expected)
{
    QList<QByteArray> rows;
    QList<int> types;
    runOneStatement(QStringLiteral("SELECT ") + literal, &rows, &types);
    FUZZ_CHECK(rows.size() == 1, literal);
    if (expected.isNull()) {
        FUZZ_CHECK(types.first() == SQLITE_NULL, literal);
    } else {
        FUZZ_CHECK(types.first() == SQLITE_TEXT, literal);
        FUZZ_CHECK(rows.first() == expected.toUtf8(),
                   QStringLiteral("literal ") + literal + QStringLiteral("\ngave ") + QString::fromUtf8(rows.first()));
    }

    rows.clear();
    types.clear();
    runOneStatement(QStringLiteral("SELECT 1 WHERE 'x' = ") + literal, &rows, &types);
    FUZZ_CHECK(rows.size() <= 1, literal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    bytes.replace('\0', QByteArray());
    const QString text = QString::fromUtf8(bytes);

    QString escaped = text;
    const QString result = modCode::Trtf(escaped);
    FUZZ_CHECK(result == escaped, text);
    FUZZ_CHECK(text.contains(QLatin1Char('\'')) || text.contains(QLatin1Char('\\')) || result == text, text);
    checkLiteral(QLatin1Char('\'') + result + QLatin1Char('\''), text);

    const QString literal = modCode::SQLValue(Value(text), 3);
    const QString trimmed = trimSpaces(text);
    if (trimmed.isEmpty()) {
        FUZZ_CHECK(literal == QLatin1String("null"), literal);
        checkLiteral(literal, QString());
    } else {
        checkLiteral(literal, trimmed);
    }
    return 0;
}

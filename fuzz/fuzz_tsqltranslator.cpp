// TSqlTranslator::toSqlite on any text: it never crashes, and the quoted literals of the input
// reach the output unchanged. Two rewrites touch literals on purpose and are allowed for:
// N'...' loses its N, and the text of CONVERT(DATETIME,'...') becomes a normalised date
// literal. TOP (expression) moves its expression, literals and all, to a LIMIT at the end
// of its SELECT, so the literals are compared as sorted lists rather than in order, and
// literals that read as dates are only counted.
#include "data/tsqltranslator.h"
#include "fuzz/fuzzcheck.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdint>

using TSqlTranslator::Token;
using TSqlTranslator::TokenKind;

namespace {

// The string literals of sql, N prefix removed; those that read as dates (the only ones
// CONVERT(DATETIME, ...) may rewrite) are only counted, in *dates.
QStringList literals(const QString &sql, int *dates)
{
    static const QRegularExpression date(QStringLiteral(
        "^'(\\d{4})[-./](\\d{1,2})[-./](\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?)?'$"));
    QStringList found;
    *dates = 0;
    for (const Token &t : TSqlTranslator::tokenize(sql)) {
        if (t.kind != TokenKind::String)
            continue;
        QString text = t.text;
        if (text.startsWith(QLatin1Char('N')) || text.startsWith(QLatin1Char('n')))
            text = text.mid(1);
        if (date.match(text).hasMatch())
            ++*dates;
        else
            found << text;
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString output = TSqlTranslator::toSqlite(input);

    int datesBefore = 0;
    int datesAfter = 0;
    QStringList before = literals(input, &datesBefore);
    QStringList after = literals(output, &datesAfter);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    FUZZ_CHECK(before == after && datesBefore == datesAfter,
               QStringLiteral("input  ") + input + QStringLiteral("\noutput ") + output
                   + QStringLiteral("\nliterals in  ") + before.join(QLatin1Char('|'))
                   + QStringLiteral("\nliterals out ") + after.join(QLatin1Char('|')));
    return 0;
}

// TSqlTranslator::toSqlite on any text: it never crashes, and the text of every string
// expression of the input reaches the output unchanged. The translator folds a run of
// literals and CHAR(n) joined by '+' into one literal, so the unit compared is a chain: the
// literals, CHAR(n) calls with n a plain decimal naming a character other than NUL or a
// surrogate, and CONVERT(DATETIME, '...'[, n]) calls, joined by '+' or '||'. Each chain
// gives the text it denotes; an unclosed literal is listed as it is written. Other rewrites
// that touch literals are allowed for: N'...' loses its N, and CONVERT(DATETIME,'...') of a
// date becomes the normalised date text (this check normalises such a date on its own).
// TOP (expression) moves its expression, literals and all, to a LIMIT at the end of its
// SELECT, so the chains are compared as sorted lists rather than in order.
#include "fuzz/fuzzcheck.h"
#include "tests/support/literalchains.h"

#include <algorithm>
#include <cstdint>

namespace {

QStringList sortedChains(const QString &sql)
{
    QStringList texts = TestSupport::LiteralChains(sql).texts();
    std::sort(texts.begin(), texts.end());
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString output = TSqlTranslator::toSqlite(input);

    const QStringList before = sortedChains(input);
    const QStringList after = sortedChains(output);
    FUZZ_CHECK(before == after, QStringLiteral("input  ") + input + QStringLiteral("\noutput ") + output
                                    + QStringLiteral("\nchains in  ") + before.join(QLatin1Char('|'))
                                    + QStringLiteral("\nchains out ") + after.join(QLatin1Char('|')));
    return 0;
}

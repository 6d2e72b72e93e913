#include "data/modcode.h"
#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

namespace {

using modCode::SQLValue;

QString sql(const Value &v, int32_t code)
{
    return SQLValue(v, code);
}

// A Portuguese desk: "," decimal, "." thousands.
class SqlValueTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral("."));
        modCode::resetSeparatorCache();
    }
    void TearDown() override
    {
        LocaleInfo::clearOverride();
        modCode::resetSeparatorCache();
    }
};

TEST_F(SqlValueTest, TextCodesTrimQuoteAndEscapeApostrophes)
{
    EXPECT_EQ(sql("  4711 ", 3), QStringLiteral("'4711'"));
    EXPECT_EQ(sql("", 3), QStringLiteral("null"));
    EXPECT_EQ(sql("    ", 3), QStringLiteral("null"));
    EXPECT_EQ(sql(Value::null(), 3), QStringLiteral("null"));
    EXPECT_EQ(sql("O'Neil", 3), QStringLiteral("'O' + CHAR(39) + 'Neil'"));
    EXPECT_EQ(sql("d'Ana d'Eça", 3), QStringLiteral("'d' + CHAR(39) + 'Ana d' + CHAR(39) + 'Eça'"));
    EXPECT_EQ(sql("'", 3), QStringLiteral("'' + CHAR(39) + ''"));
    EXPECT_EQ(sql(" 'x' ", 3), QStringLiteral("'' + CHAR(39) + 'x' + CHAR(39) + ''"));
    EXPECT_EQ(sql("\tab\t", 3), QStringLiteral("'\tab\t'")); // only spaces are trimmed

    EXPECT_EQ(sql(Value::null(), 4), QStringLiteral("''"));
    EXPECT_EQ(sql("   ", 4), QStringLiteral("''"));
    EXPECT_EQ(sql(" O'Neil ", 4), QStringLiteral("'O' + CHAR(39) + 'Neil'"));
    EXPECT_EQ(sql(true, 3), QStringLiteral("'True'"));

    EXPECT_EQ(sql(Value::null(), 6), QStringLiteral("'%%'"));
    EXPECT_EQ(sql("  ", 6), QStringLiteral("'%%'"));
    EXPECT_EQ(sql("ana silva", 6), QStringLiteral("'%ana%silva%'"));
    EXPECT_EQ(sql(" d'ana ", 6), QStringLiteral("'%d' + CHAR(39) + 'ana%'"));
}

TEST_F(SqlValueTest, NumberCodesTwoAndSevenAgree)
{
    for (int32_t code : {2, 7}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(sql(int32_t(57), code), QStringLiteral("57"));
        EXPECT_EQ(sql(12.5, code), QStringLiteral("12.5"));
        EXPECT_EQ(sql(true, code), QStringLiteral("1"));
        EXPECT_EQ(sql(false, code), QStringLiteral("0"));
        EXPECT_EQ(sql("abc", code), QStringLiteral("null"));
        EXPECT_EQ(sql("12; DROP TABLE tbConvites", code), QStringLiteral("null"));
        EXPECT_EQ(sql(Value::null(), code), QStringLiteral("null"));
        EXPECT_EQ(sql("  ", code), QStringLiteral("null"));
        EXPECT_EQ(sql("-12,5", code), QStringLiteral("-12.5"));
        EXPECT_EQ(sql("-1234567,89", code), QStringLiteral("-1234568"));
        EXPECT_EQ(sql(-1234567.89, code), QStringLiteral("-1234568"));
        EXPECT_EQ(sql(" 12 ", code), QStringLiteral(" 12 "));
        EXPECT_EQ(sql("12.5", code), QStringLiteral("12.5"));
        EXPECT_EQ(sql("1,2,3", code), QStringLiteral("null"));
        // Both marks: the thousands separator goes, the literal stays one number.
        EXPECT_EQ(sql("1.234,5", code), QStringLiteral("1234.5"));
        EXPECT_EQ(sql("-1.234,5", code), QStringLiteral("-1234.5"));
        EXPECT_EQ(sql(1e20, code), QStringLiteral("1E+20"));
        EXPECT_EQ(sql(-2.5e-10, code), QStringLiteral("-2.5E-10"));
        // A DECIMAL read from the server goes back with every digit, negative too.
        for (const char *digits : {"-123456789012345.6789", "922337203685477.5807", "0.0001"}) {
            DecimalNumber n;
            ASSERT_TRUE(DecimalNumber::parse(QString::fromLatin1(digits), QStringLiteral("."), QString(), &n));
            EXPECT_EQ(sql(Value::decimal(n), code), QString::fromLatin1(digits));
        }
    }
}

TEST_F(SqlValueTest, NegativeNumberBeyondTheSingleRangeRaisesOverflow)
{
    try {
        sql("-1E+39", 2);
        FAIL() << "no error";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), ErrorNumber::Overflow);
    }
    EXPECT_TRUE(TestSupport::errorReports().isEmpty()); // no handler of its own
}

TEST_F(SqlValueTest, SeparatorsAreReadOnceAndKeptUntilReset)
{
    EXPECT_TRUE(modCode::IsNumericValue("12,5"));
    LocaleInfo::setOverride(QStringLiteral("."), QString());
    // The cache still holds ",": "1.5" becomes "1,5", which the changed locale does not read.
    EXPECT_FALSE(modCode::IsNumericValue("1.5"));
    EXPECT_EQ(sql("1.5", 2), QStringLiteral("null"));
    modCode::resetSeparatorCache();
    EXPECT_TRUE(modCode::IsNumericValue("1.5"));
    LocaleInfo::setOverride(QStringLiteral("."), QStringLiteral(","));
    modCode::resetSeparatorCache();
    EXPECT_EQ(modCode::ThousandSeparator(), QStringLiteral(","));
    EXPECT_EQ(modCode::DecimalSeparator(), QStringLiteral("."));
    EXPECT_EQ(sql("1,234.5", 2), QStringLiteral("1234.5"));
    EXPECT_EQ(sql("-12,5", 2), QStringLiteral("-12.5"));
    // A thousands separator that is no decimal mark never reaches the query.
    LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral("'"));
    modCode::resetSeparatorCache();
    EXPECT_EQ(sql("1'234", 2), QStringLiteral("1234"));
    LocaleInfo::setOverride(QStringLiteral(","), QString(QChar(0x00A0)));
    modCode::resetSeparatorCache();
    EXPECT_EQ(sql(QStringLiteral("1\u00A0234,5"), 2), QStringLiteral("1234.5"));
}

TEST_F(SqlValueTest, DateCodesConvertOrGiveNullForTheSentinels)
{
    const Value stamp = Value::date(QDate(2026, 12, 7), QTime(8, 51, 44));
    EXPECT_EQ(sql(stamp, 1), QStringLiteral("CONVERT(DATETIME,'2026-12-07',102)"));
    EXPECT_EQ(sql(stamp, 5), QStringLiteral("CONVERT(DATETIME,'2026-12-07 08:51:44',102)"));
    EXPECT_EQ(sql("7/12/2026 8:51", 5), QStringLiteral("CONVERT(DATETIME,'2026-12-07 08:51:00',102)"));
    for (int32_t code : {1, 5}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(sql("01-01-1900", code), QStringLiteral("null"));
        EXPECT_EQ(sql(Value::date(QDate(1900, 1, 1)), code), QStringLiteral("null"));
        EXPECT_EQ(sql(Value::zeroDate(), code), QStringLiteral("null"));
        EXPECT_EQ(sql("30-12-1899", code), QStringLiteral("null"));
        EXPECT_EQ(sql(" - - - ", code), QStringLiteral("null"));
        EXPECT_EQ(sql(Value::null(), code), QStringLiteral("null"));
        EXPECT_EQ(sql("", code), QStringLiteral("null"));
        EXPECT_EQ(sql("31-02-2026", code), QStringLiteral("null"));
        EXPECT_EQ(sql("99999999", code), QStringLiteral("null"));
        EXPECT_EQ(sql("2512199", code), QStringLiteral("null"));
        EXPECT_EQ(sql("abc", code), QStringLiteral("null"));
    }
    EXPECT_EQ(sql("01-01-1900 10:00", 1), QStringLiteral("CONVERT(DATETIME,'1900-01-01',102)"));
    EXPECT_EQ(sql("01-01-1900 10:00", 5), QStringLiteral("CONVERT(DATETIME,'1900-01-01 10:00:00',102)"));
    // The 8-character path: ddmmyyyy, with no sentinel test.
    EXPECT_EQ(sql("25121999", 1), QStringLiteral("CONVERT(DATETIME,'1999-12-25',102)"));
    EXPECT_EQ(sql(int32_t(25121999), 1), QStringLiteral("CONVERT(DATETIME,'1999-12-25',102)"));
    EXPECT_EQ(sql("01011900", 1), QStringLiteral("CONVERT(DATETIME,'1900-01-01',102)"));
    EXPECT_EQ(sql("25121999", 5), QStringLiteral("CONVERT(DATETIME,'1999-12-25 00:00:00',102)"));
    EXPECT_EQ(sql("31022026", 1), QStringLiteral("null"));
}

TEST_F(SqlValueTest, UnknownCodesGiveTheEmptyTextWhateverTheValue)
{
    for (int32_t code : {0, 8, -1, 100}) {
        EXPECT_EQ(sql("O'Neil", code), QString());
        EXPECT_EQ(sql(Value::null(), code), QString());
        EXPECT_EQ(sql(int32_t(57), code), QString());
    }
}

TEST_F(SqlValueTest, TrtfUpdatesItsArgumentAndBreaksBackslashNewline)
{
    QString t = QStringLiteral("a'b''c");
    EXPECT_EQ(modCode::Trtf(t), QStringLiteral("a' + CHAR(39) + 'b' + CHAR(39) + '' + CHAR(39) + 'c"));
    EXPECT_EQ(t, QStringLiteral("a' + CHAR(39) + 'b' + CHAR(39) + '' + CHAR(39) + 'c"));
    QString plain = QStringLiteral("sem apóstrofo \\ nem quebra");
    EXPECT_EQ(modCode::Trtf(plain), QStringLiteral("sem apóstrofo \\ nem quebra"));
    QString continuation = QStringLiteral("a\\\r\nb\\\nc");
    EXPECT_EQ(modCode::Trtf(continuation), QStringLiteral("a\\' + '\r\nb\\' + '\nc"));
}

} // namespace

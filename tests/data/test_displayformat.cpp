#include "data/displayformat.h"
#include "platform/localeinfo.h"

#include <gtest/gtest.h>

namespace {

using DisplayFormat::format;

class DisplayFormatTest : public ::testing::Test
{
protected:
    void SetUp() override { LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral(".")); }
    void TearDown() override { LocaleInfo::clearOverride(); }
};

const QString amount = QStringLiteral("#,##0.00;- #,##0.00");
const QString euro = QStringLiteral("€ #,##0.00;€ -#,##0.00");
const QString euro3 = QStringLiteral("€ #,##0.000;€ -#,##0.000");
const QString euro4 = QStringLiteral("€ #,##0.0000;€ -#,##0.0000");
const QString quantity = QStringLiteral("#,##0.000;- #,##0.000");
const QString percent = QStringLiteral("0.00 %");
const QString whole = QStringLiteral("#,##0");

TEST_F(DisplayFormatTest, NumberPatternsGroupAndUseTheNegativeSection)
{
    EXPECT_EQ(format(1234.5, amount), QStringLiteral("1.234,50"));
    EXPECT_EQ(format(-1234.5, amount), QStringLiteral("- 1.234,50"));
    EXPECT_EQ(format(-1234.5, euro), QStringLiteral("€ -1.234,50"));
    EXPECT_EQ(format(1234567.891, euro), QStringLiteral("€ 1.234.567,89"));
    EXPECT_EQ(format(0.5, euro3), QStringLiteral("€ 0,500"));
    EXPECT_EQ(format(-12.34567, euro4), QStringLiteral("€ -12,3457"));
    EXPECT_EQ(format(int32_t(999), quantity), QStringLiteral("999,000"));
    EXPECT_EQ(format(int32_t(-1000), quantity), QStringLiteral("- 1.000,000"));
    EXPECT_EQ(format(0.25, percent), QStringLiteral("25,00 %"));
    EXPECT_EQ(format(-0.0125, percent), QStringLiteral("-1,25 %"));
    EXPECT_EQ(format(int32_t(1234568), whole), QStringLiteral("1.234.568"));
    // Whole-number cells: the conversion rounds the half to even, the pattern then groups.
    EXPECT_EQ(format(Value(1234567.5).toLong(), whole), QStringLiteral("1.234.568"));
    EXPECT_EQ(format(Value(2.5).toLong(), whole), QStringLiteral("2"));
    EXPECT_EQ(format(int32_t(-1234), whole), QStringLiteral("-1.234"));
    EXPECT_EQ(format(int32_t(0), whole), QStringLiteral("0"));
    EXPECT_EQ(format(123.0, amount), QStringLiteral("123,00"));
    // Values that round to zero are not shown as negative.
    EXPECT_EQ(format(-0.001, amount), QStringLiteral("0,00"));
    LocaleInfo::setOverride(QStringLiteral("."), QStringLiteral(","));
    EXPECT_EQ(format(-1234.5, amount), QStringLiteral("- 1,234.50"));
}

TEST_F(DisplayFormatTest, DecimalsRoundHalfAwayFromZeroOnTheDigitsTheUserSees)
{
    EXPECT_EQ(format(2.675, amount), QStringLiteral("2,68")); // 2.67499999... in binary
    EXPECT_EQ(format(1.005, amount), QStringLiteral("1,01"));
    EXPECT_EQ(format(-2.675, amount), QStringLiteral("- 2,68"));
    EXPECT_EQ(format(0.125, amount), QStringLiteral("0,13"));
    EXPECT_EQ(format(1.0005, quantity), QStringLiteral("1,001"));
    EXPECT_EQ(format(9.995, euro), QStringLiteral("€ 10,00"));
    EXPECT_EQ(format(999999.995, amount), QStringLiteral("1.000.000,00"));
    EXPECT_EQ(format(2.675f, amount), QStringLiteral("2,68")); // a single by its own shortest text
    EXPECT_EQ(format(0.1 + 0.2, euro4), QStringLiteral("€ 0,3000"));
    EXPECT_EQ(format(0.00125, percent), QStringLiteral("0,13 %"));
    DecimalNumber money; // a DECIMAL(19,4) past a double's digits
    ASSERT_TRUE(DecimalNumber::parse(QStringLiteral("123456789012345.6750"), QStringLiteral("."), QString(), &money));
    EXPECT_EQ(format(Value::decimal(money), amount), QStringLiteral("123.456.789.012.345,68"));
}

TEST_F(DisplayFormatTest, TextsAndOtherKindsUnderNumberPatterns)
{
    EXPECT_EQ(format("1234,5", amount), QStringLiteral("1.234,50"));
    EXPECT_EQ(format(" -2,675 ", amount), QStringLiteral("- 2,68"));
    EXPECT_EQ(format("abc", amount), QStringLiteral("abc"));
    EXPECT_EQ(format(true, whole), QStringLiteral("-1"));
    EXPECT_EQ(format(Value::null(), amount), QString());
    EXPECT_EQ(format(Value(), amount), QString());
    EXPECT_EQ(format(1234.5, QString()), QStringLiteral("1234,5"));
}

TEST_F(DisplayFormatTest, DatePatterns)
{
    const Value stamp = Value::date(QDate(2026, 12, 7), QTime(20, 5, 9));
    EXPECT_EQ(format(stamp, DisplayFormat::dayPattern()), QStringLiteral("07-12-2026"));
    EXPECT_EQ(format(stamp, DisplayFormat::dayTimePattern()), QStringLiteral("07-12-2026 20:05:09"));
    EXPECT_EQ(format(stamp, DisplayFormat::isoDayPattern()), QStringLiteral("2026-12-07"));
    EXPECT_EQ(format(stamp, DisplayFormat::hourMinutePattern()), QStringLiteral("20:05"));
    EXPECT_EQ(format(Value::date(QDate(2026, 1, 2), QTime(8, 3, 4)), DisplayFormat::dayTimePattern()),
              QStringLiteral("02-01-2026 08:03:04"));
    EXPECT_EQ(format("7/1/2026 9:05", DisplayFormat::dayTimePattern()), QStringLiteral("07-01-2026 09:05:00"));
    EXPECT_EQ(format("nada", DisplayFormat::dayPattern()), QStringLiteral("nada"));
    EXPECT_EQ(format(int32_t(2), DisplayFormat::dayPattern()), QStringLiteral("01-01-1900"));
}

} // namespace

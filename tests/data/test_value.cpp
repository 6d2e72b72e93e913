#include "data/value.h"
#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every case runs with a Portuguese desk's separators unless it sets others.
class ValueTest : public ::testing::Test
{
protected:
    void SetUp() override { LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral(".")); }
    void TearDown() override { LocaleInfo::clearOverride(); }
};

int32_t errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

TEST_F(ValueTest, TextOfNumbersUsesTheLocaleDecimalAndNoGrouping)
{
    EXPECT_EQ(Value(int32_t(1234567)).toText(), QStringLiteral("1234567"));
    EXPECT_EQ(Value::integer(-12).toText(), QStringLiteral("-12"));
    EXPECT_EQ(Value(1234.5).toText(), QStringLiteral("1234,5"));
    EXPECT_EQ(Value(0.1 + 0.2).toText(), QStringLiteral("0,3")); // 15 significant digits
    EXPECT_EQ(Value(2.675).toText(), QStringLiteral("2,675"));
    EXPECT_EQ(Value(1.0 / 3.0).toText(), QStringLiteral("0,333333333333333"));
    EXPECT_EQ(Value(123456789012345.0).toText(), QStringLiteral("123456789012345"));
    EXPECT_EQ(Value(1e15).toText(), QStringLiteral("1E+15"));
    EXPECT_EQ(Value(-2.5e-10).toText(), QStringLiteral("-2,5E-10"));
    EXPECT_EQ(Value(0.0001).toText(), QStringLiteral("0,0001"));
    EXPECT_EQ(Value(-0.0).toText(), QStringLiteral("0"));
    EXPECT_EQ(Value(1234567.875f).toText(), QStringLiteral("1234568")); // 7 significant digits
    EXPECT_EQ(Value(0.1f).toText(), QStringLiteral("0,1"));
    EXPECT_EQ(Value(-12.5f).toText(), QStringLiteral("-12,5"));
    LocaleInfo::setOverride(QStringLiteral("."), QStringLiteral(","));
    EXPECT_EQ(Value(1234.5).toText(), QStringLiteral("1234.5"));
}

TEST_F(ValueTest, TextOfOtherKinds)
{
    EXPECT_EQ(Value(true).toText(), QStringLiteral("True"));
    EXPECT_EQ(Value(false).toText(), QStringLiteral("False"));
    EXPECT_EQ(Value().toText(), QString());
    EXPECT_EQ(errorOf([] { Value::null().toText(); }), 94);
    EXPECT_EQ(Value::date(QDate(2026, 12, 7)).toText(), QStringLiteral("07-12-2026"));
    EXPECT_EQ(Value::date(QDate(2026, 12, 7), QTime(8, 51, 44)).toText(), QStringLiteral("07-12-2026 08:51:44"));
    EXPECT_EQ(Value::date(QDate(1899, 12, 30), QTime(10, 5)).toText(), QStringLiteral("10:05:00"));
    EXPECT_EQ(Value::zeroDate().toText(), QStringLiteral("30-12-1899"));
}

TEST_F(ValueTest, WholeNumbersRoundHalvesToEvenAndOverflowRaises6)
{
    EXPECT_EQ(Value(2.5).toLong(), 2);
    EXPECT_EQ(Value(3.5).toLong(), 4);
    EXPECT_EQ(Value(-2.5).toLong(), -2);
    EXPECT_EQ(Value(1234567.5).toLong(), 1234568);
    EXPECT_EQ(Value("2,5").toLong(), 2);
    EXPECT_EQ(Value(" 1.234 ").toLong(), 1234);
    EXPECT_EQ(Value(true).toLong(), -1);
    EXPECT_EQ(Value().toLong(), 0);
    EXPECT_EQ(Value(2147483647.4).toLong(), 2147483647);
    EXPECT_EQ(errorOf([] { Value(2147483647.5).toLong(); }), ErrorNumber::Overflow);
    EXPECT_EQ(errorOf([] { Value("abc").toLong(); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf([] { Value::null().toLong(); }), 94);
    EXPECT_EQ(Value(int32_t(32767)).toInteger(), 32767);
    EXPECT_EQ(Value(-32768.4).toInteger(), -32768);
    EXPECT_EQ(errorOf([] { Value(int32_t(32768)).toInteger(); }), ErrorNumber::Overflow);
    EXPECT_EQ(errorOf([] { Value(1e39).toSingle(); }), ErrorNumber::Overflow);
}

TEST_F(ValueTest, NumbersReadFromTextsUnderTheUserLocale)
{
    EXPECT_DOUBLE_EQ(Value("12,5").toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Value("  -1.234.567,25 ").toDouble(), -1234567.25);
    EXPECT_DOUBLE_EQ(Value("+,5").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(Value("1,5E+3").toDouble(), 1500);
    EXPECT_FLOAT_EQ(Value("1234567,89").toSingle(), 1234567.875f);
    EXPECT_EQ(errorOf([] { Value("12.5.5,1,1").toDouble(); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf([] { Value("1e999").toDouble(); }), ErrorNumber::Overflow);

    const char *numeric[] = {"0", " 12 ", "-12,5", "1.234,5", "1.2.3", ",5", "+7", "1E5"};
    for (const char *t : numeric)
        EXPECT_TRUE(Value(t).isNumeric()) << t;
    const char *notNumeric[] = {"", "  ", "abc", "12,5,1", "1 2", "--1", ".5", "1-", "12e", "١٢", "1;DROP"};
    for (const char *t : notNumeric)
        EXPECT_FALSE(Value(t).isNumeric()) << t;
    EXPECT_TRUE(Value(true).isNumeric());
    EXPECT_FALSE(Value::null().isNumeric());
    EXPECT_FALSE(Value::date(QDate(2026, 1, 1)).isNumeric());

    LocaleInfo::setOverride(QStringLiteral("."), QStringLiteral(","));
    EXPECT_DOUBLE_EQ(Value("1,234.5").toDouble(), 1234.5);
    EXPECT_FALSE(Value("1.234,5").isNumeric());
}

TEST_F(ValueTest, DatesReadDayMonthYearAndRejectImpossibleOnes)
{
    EXPECT_EQ(Value("07-12-2026").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    EXPECT_EQ(Value("7/12/2026 8:51").toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(8, 51)));
    EXPECT_EQ(Value(" 01-01-1900 10:00:05 ").toDateTime(), QDateTime(QDate(1900, 1, 1), QTime(10, 0, 5)));
    EXPECT_EQ(Value("25-12-99").toDateTime().date(), QDate(1999, 12, 25));
    EXPECT_EQ(Value("25-12-29").toDateTime().date(), QDate(2029, 12, 25));
    EXPECT_EQ(Value("20:05").toDateTime(), QDateTime(QDate(1899, 12, 30), QTime(20, 5)));
    EXPECT_EQ(Value(int32_t(2)).toDateTime().date(), QDate(1900, 1, 1));

    const char *notDates[] = {"- - -",
                              "25121999",
                              "31-02-2026",
                              "29-02-2025",
                              "00-01-2026",
                              "12-13-2026",
                              "01-01-1900 24:00",
                              "01-01-1900 10:60",
                              "1-1-999",
                              "abc",
                              ""};
    for (const char *t : notDates) {
        EXPECT_FALSE(Value(t).isDate()) << t;
        EXPECT_EQ(errorOf([t] { Value(t).toDateTime(); }), ErrorNumber::TypeMismatch) << t;
    }
    EXPECT_TRUE(Value("29-02-2024").isDate());
    EXPECT_TRUE(Value::zeroDate().isDate());
    EXPECT_FALSE(Value(int32_t(45000)).isDate());
    EXPECT_EQ(errorOf([] { Value::null().toDateTime(); }), 94);

    // The text of a date reads back as the same date.
    const Value stamp = Value::date(QDate(2026, 12, 7), QTime(20, 5, 9));
    EXPECT_EQ(Value(stamp.toText()).toDateTime(), stamp.toDateTime());
    EXPECT_DOUBLE_EQ(Value::date(QDate(1900, 1, 1), QTime(12, 0)).toDouble(), 2.5);
}

// A DECIMAL, NUMERIC or MONEY value as the driver writes it.
Value decimal(const char *written)
{
    DecimalNumber n;
    EXPECT_TRUE(DecimalNumber::parse(QString::fromLatin1(written), QStringLiteral("."), QString(), &n)) << written;
    return Value::decimal(n);
}

TEST_F(ValueTest, DecimalsKeepEveryDigitAndRoundOnTheirOwnDigits)
{
    const struct
    {
        const char *written, *text;
        int32_t whole; // toLong, or 0 with wholeError
        int wholeError;
    } cases[] = {
        {"123456789012345.6789", "123456789012345,6789", 0, ErrorNumber::Overflow},
        {"-922337203685477.5808", "-922337203685477,5808", 0, ErrorNumber::Overflow},
        {"5.00", "5", 5, 0},
        {"0.0000", "0", 0, 0},
        {"0.00000001", "0,00000001", 0, 0},
        {"-2.5000000000000000001", "-2,5000000000000000001", -3, 0}, // through a double: -2
        {"2147483647.4999", "2147483647,4999", 2147483647, 0},
        {"32768.5", "32768,5", 32768, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.written);
        const Value v = decimal(c.written);
        EXPECT_EQ(v.kind(), Value::Kind::Decimal);
        EXPECT_EQ(v.toText(), QString::fromLatin1(c.text));
        EXPECT_TRUE(v.isNumeric());
        EXPECT_EQ(v.toBool(), c.text != std::string("0"));
        EXPECT_DOUBLE_EQ(v.toDouble(), QString::fromLatin1(c.written).toDouble());
        int32_t whole = 0;
        EXPECT_EQ(errorOf([&] { whole = v.toLong(); }), c.wholeError);
        EXPECT_EQ(whole, c.whole);
    }
    EXPECT_EQ(decimal("1.50"), decimal("1.5"));
    EXPECT_NE(decimal("1.5"), Value(1.5)); // kinds differ, as Long and Double do
    EXPECT_NE(decimal("123456789012345.6789"), decimal("123456789012345.6788"));
    EXPECT_EQ(errorOf([] { decimal("32767.5").toInteger(); }), ErrorNumber::Overflow);
    EXPECT_EQ(decimal("-32768.4").toInteger(), -32768);
    EXPECT_EQ(decimal("2").toDateTime(), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
}

} // namespace

#pragma once

#include <QString>

#include <string>

// A finite decimal number held as sign, digits and the position of the decimal point,
// so that display rounding works on the digits a user sees and not on binary artefacts
// (2.675 rounds to 2.68). Doubles and singles enter through their shortest round-trip
// text. A plain value type; nothing here throws except toDouble() (6 on overflow).
class DecimalNumber
{
public:
    enum class Rounding { HalfAwayFromZero, HalfEven };

    DecimalNumber() = default; // zero

    // Shortest decimal text that reads back as the same double / single.
    static DecimalNumber fromDouble(double d);
    static DecimalNumber fromSingle(float f);
    // The double rounded to `significant` digits (the runtime's number text).
    static DecimalNumber fromDoubleSignificant(double d, int significant);

    // Reads a number written with the given separators: leading and trailing spaces,
    // an optional sign, digits with thousands separators in the integer part, an optional
    // decimal separator with digits, an optional exponent ("E+05"). At least one digit.
    // Only ASCII digits are accepted. Returns false when the text is no number.
    static bool parse(const QString &text, const QString &decimalSeparator, const QString &thousandsSeparator,
                      DecimalNumber *out);

    bool isZero() const { return m_digits.empty(); }
    // Equal numbers are equal whatever zeros they were written with (1,50 and 1,5).
    bool operator==(const DecimalNumber &other) const
    {
        return m_negative == other.m_negative && m_point == other.m_point && m_digits == other.m_digits;
    }
    bool operator!=(const DecimalNumber &other) const { return !(*this == other); }
    bool isNegative() const { return m_negative; }
    DecimalNumber negated() const;
    DecimalNumber abs() const;
    // Multiplies by 10^power (exactly).
    DecimalNumber scaled(int power) const;
    DecimalNumber rounded(int decimals, Rounding mode) const;

    // Digits of the integer part without sign, at least "0".
    QString integerDigits() const;
    // The first `count` digits after the decimal point, padded with zeros.
    QString fractionDigits(int count) const;
    // Plain text with the given decimal separator, no grouping, no trailing zeros,
    // exponent form ("1,5E+20") only when the number has more than `maxIntegerDigits`
    // integer digits or more than `maxLeadingZeros` zeros after the point.
    QString toPlainText(const QString &decimalSeparator, int maxIntegerDigits, int maxLeadingZeros) const;

    double toDouble() const;
    // The nearest single; raises 6 when the number is beyond the single range.
    float toSingle() const;

private:
    template<typename Floating>
    static DecimalNumber fromBinary(Floating value);
    void normalize();

    bool m_negative = false;
    std::string m_digits; // no leading or trailing zeros; empty means zero
    int m_point = 0;      // value = 0.<m_digits> x 10^m_point
};

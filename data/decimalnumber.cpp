#include "data/decimalnumber.h"

#include "platform/runtimeerror.h"
#include "platform/textutil.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// Splits the scientific text of to_chars ("-2.675e+00") into a DecimalNumber's parts.
void fromScientific(const char *first, const char *last, bool *negative, std::string *digits, int *point)
{
    std::string s(first, last);
    *negative = !s.empty() && s[0] == '-';
    if (*negative)
        s.erase(0, 1);
    const auto e = s.find('e');
    const std::string mantissa = s.substr(0, e);
    const int exponent = std::stoi(s.substr(e + 1));
    digits->clear();
    for (char c : mantissa)
        if (c != '.')
            digits->push_back(c);
    *point = exponent + 1;
}

} // namespace

void DecimalNumber::normalize()
{
    std::size_t lead = 0;
    while (lead < m_digits.size() && m_digits[lead] == '0')
        ++lead;
    m_digits.erase(0, lead);
    m_point -= int(lead);
    while (!m_digits.empty() && m_digits.back() == '0')
        m_digits.pop_back();
    if (m_digits.empty()) {
        m_negative = false;
        m_point = 0;
    }
}

// The shortest decimal digits that read back as value (to_chars' round-trip guarantee).
template<typename Floating>
DecimalNumber DecimalNumber::fromBinary(Floating value)
{
    DecimalNumber n;
    if (!std::isfinite(value) || value == 0)
        return n;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    fromScientific(buf, r.ptr, &n.m_negative, &n.m_digits, &n.m_point);
    n.normalize();
    return n;
}

DecimalNumber DecimalNumber::fromDouble(double d)
{
    return fromBinary(d);
}

DecimalNumber DecimalNumber::fromSingle(float f)
{
    return fromBinary(f);
}

DecimalNumber DecimalNumber::fromDoubleSignificant(double d, int significant)
{
    DecimalNumber n;
    if (!std::isfinite(d) || d == 0)
        return n;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, significant - 1);
    fromScientific(buf, r.ptr, &n.m_negative, &n.m_digits, &n.m_point);
    n.normalize();
    return n;
}

bool DecimalNumber::parse(const QString &written, const QString &decimalSeparator, const QString &thousandsSeparator,
                          DecimalNumber *out)
{
    const QString text = TextUtil::trimSpaces(written);
    int i = 0;
    const int end = int(text.size());
    DecimalNumber n;
    if (i < end && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        n.m_negative = text[i] == QLatin1Char('-');
        ++i;
    }
    auto isDigit = [&](int k) { return k < end && text[k] >= QLatin1Char('0') && text[k] <= QLatin1Char('9'); };
    auto startsWith = [&](int k, const QString &sep) {
        return !sep.isEmpty() && QStringView(text).mid(k, end - k).startsWith(sep);
    };
    int integerDigits = 0;
    int fractionDigits = 0;
    while (i < end) {
        if (isDigit(i)) {
            n.m_digits.push_back(char(text[i].unicode()));
            ++integerDigits;
            ++i;
        } else if (integerDigits > 0 && !startsWith(i, decimalSeparator) && startsWith(i, thousandsSeparator)) {
            i += thousandsSeparator.size();
        } else {
            break;
        }
    }
    if (startsWith(i, decimalSeparator)) {
        i += decimalSeparator.size();
        while (isDigit(i)) {
            n.m_digits.push_back(char(text[i].unicode()));
            ++fractionDigits;
            ++i;
        }
    }
    if (integerDigits + fractionDigits == 0)
        return false;
    long exponent = 0;
    if (i < end && (text[i] == QLatin1Char('E') || text[i] == QLatin1Char('e'))) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
            negativeExponent = text[i] == QLatin1Char('-');
            ++i;
        }
        if (!isDigit(i))
            return false;
        while (isDigit(i)) {
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i].unicode() - '0');
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != end)
        return false;
    n.m_point = integerDigits + int(exponent);
    n.normalize();
    if (out)
        *out = n;
    return true;
}

DecimalNumber DecimalNumber::negated() const
{
    DecimalNumber n = *this;
    if (!n.isZero())
        n.m_negative = !n.m_negative;
    return n;
}

DecimalNumber DecimalNumber::abs() const
{
    DecimalNumber n = *this;
    n.m_negative = false;
    return n;
}

DecimalNumber DecimalNumber::scaled(int power) const
{
    DecimalNumber n = *this;
    if (!n.isZero())
        n.m_point += power;
    return n;
}

DecimalNumber DecimalNumber::rounded(int decimals, Rounding mode) const
{
    const long keep = long(m_point) + decimals;
    if (keep >= long(m_digits.size()))
        return *this;
    DecimalNumber n;
    n.m_negative = m_negative;
    if (keep < 0)
        return n; // below half a unit of the last kept place
    std::string kept = m_digits.substr(0, std::size_t(keep));
    const char first = m_digits[std::size_t(keep)];
    bool up = first > '5';
    if (first == '5') {
        const bool restNonZero = m_digits.find_first_not_of('0', std::size_t(keep) + 1) != std::string::npos;
        if (restNonZero || mode == Rounding::HalfAwayFromZero)
            up = true;
        else
            up = !kept.empty() && ((kept.back() - '0') % 2 == 1);
    }
    n.m_point = m_point;
    if (up) {
        long k = long(kept.size()) - 1;
        while (k >= 0 && kept[std::size_t(k)] == '9') {
            kept[std::size_t(k)] = '0';
            --k;
        }
        if (k < 0) {
            kept.insert(kept.begin(), '1');
            ++n.m_point;
        } else {
            ++kept[std::size_t(k)];
        }
    }
    n.m_digits = kept;
    n.normalize();
    return n;
}

QString DecimalNumber::integerDigits() const
{
    if (m_point <= 0)
        return QStringLiteral("0");
    QString s;
    s.reserve(m_point);
    for (int k = 0; k < m_point; ++k)
        s.append(QLatin1Char(k < int(m_digits.size()) ? m_digits[std::size_t(k)] : '0'));
    return s;
}

QString DecimalNumber::fractionDigits(int count) const
{
    QString s;
    s.reserve(count);
    for (int k = 0; k < count; ++k) {
        const long index = long(m_point) + k;
        const bool inside = index >= 0 && index < long(m_digits.size());
        s.append(QLatin1Char(inside ? m_digits[std::size_t(index)] : '0'));
    }
    return s;
}

QString DecimalNumber::toPlainText(const QString &decimalSeparator, int maxIntegerDigits, int maxLeadingZeros) const
{
    if (isZero())
        return QStringLiteral("0");
    const QString sign = m_negative ? QStringLiteral("-") : QString();
    const int size = int(m_digits.size());
    if (m_point > maxIntegerDigits || -m_point > maxLeadingZeros) {
        QString s = sign + QLatin1Char(m_digits[0]);
        if (size > 1)
            s += decimalSeparator + QString::fromLatin1(m_digits.data() + 1, size - 1);
        const int exponent = m_point - 1;
        s += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        s += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
        return s;
    }
    const int decimals = std::max(0, size - m_point);
    QString s = sign + integerDigits();
    if (decimals > 0)
        s += decimalSeparator + fractionDigits(decimals);
    return s;
}

namespace {

// Reads the digits as 0.<digits>e<point> into a binary floating-point value; too large
// raises overflow, too small reads as zero.
template<typename Floating>
Floating readScientific(bool negative, const std::string &digits, int point)
{
    std::string s = negative ? "-0." : "0.";
    s += digits;
    s += 'e';
    s += std::to_string(point);
    Floating value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        if (point > 0)
            throw RuntimeError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        return 0;
    }
    return value;
}

} // namespace

double DecimalNumber::toDouble() const
{
    return isZero() ? 0 : readScientific<double>(m_negative, m_digits, m_point);
}

float DecimalNumber::toSingle() const
{
    return isZero() ? 0 : readScientific<float>(m_negative, m_digits, m_point);
}

// The conversions of Value, with the runtime's rules (see value.h).
#include "data/value.h"

#include "data/datetext.h"
#include "data/decimalnumber.h"
#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void raiseNull()
{
    throw RuntimeError(94, QStringLiteral("Invalid use of Null"));
}

[[noreturn]] void raiseTypeMismatch()
{
    throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
}

[[noreturn]] void raiseOverflow()
{
    throw RuntimeError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
}

bool readLocaleNumber(const QString &text, DecimalNumber *out)
{
    return DecimalNumber::parse(text, LocaleInfo::decimalSeparator(), LocaleInfo::thousandsSeparator(), out);
}

// Days since the zero date, the fraction of the day after the point (the runtime's date number).
double dateToNumber(const QDate &date, const QTime &time)
{
    const double days = double(DateText::zeroDate().daysTo(date));
    const double fraction = (time.isValid() ? time.msecsSinceStartOfDay() : 0) / 86400000.0;
    return days < 0 ? days - fraction : days + fraction;
}

// A Decimal rounded half to even to a whole number between low and high, exactly; 6 beyond.
int64_t wholeDecimal(const DecimalNumber &n, int64_t low, int64_t high)
{
    const DecimalNumber whole = n.rounded(0, DecimalNumber::Rounding::HalfEven);
    const QString digits = whole.integerDigits();
    if (digits.size() > 18)
        raiseOverflow();
    const int64_t magnitude = digits.toLongLong();
    const int64_t value = whole.isNegative() ? -magnitude : magnitude;
    if (value < low || value > high)
        raiseOverflow();
    return value;
}

Value numberToDate(double number)
{
    if (!std::isfinite(number) || number < -657434.0 || number >= 2958466.0)
        raiseOverflow(); // outside 1-1-100 .. 31-12-9999
    const double whole = std::trunc(number);
    const double fraction = std::fabs(number - whole);
    const int msecs = int(std::llround(fraction * 86400000.0 / 1000.0) * 1000) % 86400000;
    return Value::date(DateText::zeroDate().addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(msecs));
}

} // namespace

QString Value::toText() const
{
    switch (m_kind) {
    case Kind::Empty: return QString();
    case Kind::Null: raiseNull();
    case Kind::Boolean: return m_number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Integer:
    case Kind::Long: return QString::number(qint64(m_number));
    case Kind::Single:
        return DecimalNumber::fromDoubleSignificant(m_number, 7).toPlainText(LocaleInfo::decimalSeparator(), 7, 5);
    case Kind::Double:
        return DecimalNumber::fromDoubleSignificant(m_number, 15).toPlainText(LocaleInfo::decimalSeparator(), 15, 5);
    case Kind::Decimal: // SQL Server's widest decimal has 38 digits: never an exponent
        return m_decimal.toPlainText(LocaleInfo::decimalSeparator(), 38, 38);
    case Kind::String: return m_string;
    case Kind::Date: {
        const bool hasTime = m_time.isValid() && m_time != QTime(0, 0);
        if (hasTime && m_date == DateText::zeroDate())
            return m_time.toString(QStringLiteral("HH:mm:ss"));
        QString s = m_date.toString(QStringLiteral("dd-MM-yyyy"));
        if (hasTime)
            s += QLatin1Char(' ') + m_time.toString(QStringLiteral("HH:mm:ss"));
        return s;
    }
    }
    return QString();
}

double Value::toDouble() const
{
    switch (m_kind) {
    case Kind::Empty: return 0;
    case Kind::Null: raiseNull();
    case Kind::Boolean: return m_number != 0 ? -1 : 0;
    case Kind::Integer:
    case Kind::Long:
    case Kind::Single:
    case Kind::Double: return m_number;
    case Kind::Decimal: return m_decimal.toDouble();
    case Kind::String: {
        DecimalNumber n;
        if (!readLocaleNumber(m_string, &n))
            raiseTypeMismatch();
        const double d = n.toDouble();
        if (!std::isfinite(d))
            raiseOverflow();
        return d;
    }
    case Kind::Date: return dateToNumber(m_date, m_time);
    }
    return 0;
}

float Value::toSingle() const
{
    const double d = toDouble();
    if (std::fabs(d) > double(std::numeric_limits<float>::max()))
        raiseOverflow();
    return float(d);
}

int32_t Value::toLong() const
{
    if (m_kind == Kind::Decimal)
        return int32_t(
            wholeDecimal(m_decimal, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    const double r = std::nearbyint(toDouble()); // the default rounding mode: a half goes to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        raiseOverflow();
    return int32_t(r);
}

int16_t Value::toInteger() const
{
    if (m_kind == Kind::Decimal)
        return int16_t(
            wholeDecimal(m_decimal, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
    const double r = std::nearbyint(toDouble());
    if (!(r >= -32768.0 && r <= 32767.0))
        raiseOverflow();
    return int16_t(r);
}

bool Value::toBool() const
{
    switch (m_kind) {
    case Kind::Empty: return false;
    case Kind::Null: raiseNull();
    case Kind::String:
        if (m_string.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (m_string.trimmed().compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
        return toDouble() != 0;
    case Kind::Decimal: return !m_decimal.isZero();
    default: return toDouble() != 0;
    }
}

QDateTime Value::toDateTime() const
{
    QDate date;
    QTime time;
    toDateParts(&date, &time);
    return QDateTime(date, time);
}

void Value::toDateParts(QDate *date, QTime *time) const
{
    switch (m_kind) {
    case Kind::Null: raiseNull();
    case Kind::Date:
        *date = m_date;
        *time = m_time;
        return;
    case Kind::String:
        if (!DateText::read(m_string, date, time))
            raiseTypeMismatch();
        return;
    case Kind::Empty:
        *date = DateText::zeroDate();
        *time = QTime(0, 0);
        return;
    case Kind::Integer:
    case Kind::Long:
    case Kind::Single:
    case Kind::Double:
    case Kind::Decimal: {
        const Value v = numberToDate(m_number);
        *date = v.m_date;
        *time = v.m_time;
        return;
    }
    case Kind::Boolean: raiseTypeMismatch();
    }
    raiseTypeMismatch();
}

bool Value::isNumeric() const
{
    if (isNumberKind() || m_kind == Kind::Boolean)
        return true;
    if (m_kind == Kind::String)
        return readLocaleNumber(m_string, nullptr);
    return false;
}

bool Value::isDate() const
{
    if (m_kind == Kind::Date)
        return true;
    if (m_kind == Kind::String)
        return DateText::read(m_string, nullptr, nullptr);
    return false;
}

#include "data/value.h"

#include "platform/runtimeerror.h"

#include <cmath>
#include <limits>

Value Value::null()
{
    Value v;
    v.m_kind = Kind::Null;
    return v;
}

Value::Value(bool b) : m_kind(Kind::Boolean), m_number(b ? 1 : 0)
{
}
Value::Value(int32_t l) : m_kind(Kind::Long), m_number(l)
{
}
Value::Value(float s) : m_kind(Kind::Single), m_number(s)
{
}
Value::Value(double d) : m_kind(Kind::Double), m_number(d)
{
}
Value::Value(const QString &s) : m_kind(Kind::String), m_string(s)
{
}
Value::Value(const char *utf8) : m_kind(Kind::String), m_string(QString::fromUtf8(utf8))
{
}

Value Value::integer(int16_t i)
{
    Value v;
    v.m_kind = Kind::Integer;
    v.m_number = i;
    return v;
}

Value Value::fromInt64(int64_t i)
{
    if (i >= std::numeric_limits<int32_t>::min() && i <= std::numeric_limits<int32_t>::max())
        return Value(int32_t(i));
    return Value(double(i));
}

Value Value::decimal(const DecimalNumber &n)
{
    Value v;
    v.m_kind = Kind::Decimal;
    v.m_decimal = n;
    try {
        v.m_number = n.toDouble();
    } catch (const RuntimeError &) { // beyond the double range; toDouble() raises 6 then
        v.m_number = n.isNegative() ? -std::numeric_limits<double>::infinity()
                                    : std::numeric_limits<double>::infinity();
    }
    return v;
}

Value Value::date(const QDate &d, const QTime &t)
{
    Value v;
    v.m_kind = Kind::Date;
    v.m_date = d;
    v.m_time = t.isValid() ? t : QTime(0, 0);
    return v;
}

Value Value::date(const QDateTime &dt)
{
    return date(dt.date(), dt.time());
}

Value Value::zeroDate()
{
    return date(QDate(1899, 12, 30), QTime(0, 0));
}

bool Value::isNumberKind() const
{
    return m_kind == Kind::Integer || m_kind == Kind::Long || m_kind == Kind::Single || m_kind == Kind::Double
           || m_kind == Kind::Decimal;
}

bool Value::operator==(const Value &o) const
{
    if (m_kind != o.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Empty:
    case Kind::Null: return true;
    case Kind::String: return m_string == o.m_string;
    case Kind::Date: return m_date == o.m_date && m_time == o.m_time;
    case Kind::Decimal: return m_decimal == o.m_decimal;
    default: return m_number == o.m_number;
    }
}

// The conversions (toText, toLong, isNumeric, ...) live in valueconvert.cpp.

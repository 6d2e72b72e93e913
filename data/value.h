#pragma once

#include "data/decimalnumber.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>

// The variant that carries database values and control values through the system, with
// the semantics the desk relies on: Empty (never assigned), Null (a database NULL),
// Boolean, Integer (16-bit), Long (32-bit), Single, Double, String, Date (a date with
// an optional time of day, no time zone) and Decimal (an exact decimal number: what a
// DECIMAL, NUMERIC, MONEY or SMALLMONEY column holds, with every digit the server sent).
// The runtime reads MONEY as a Currency of its own; here one exact kind serves both, since
// a money value is a decimal with four places and nothing in the desk does Currency's
// fixed-point arithmetic. Conversions that fail raise RuntimeError with the usual numbers:
// 13 type mismatch, 6 overflow, 5 invalid procedure call.
class Value
{
public:
    enum class Kind { Empty, Null, Boolean, Integer, Long, Single, Double, String, Date, Decimal };

    Value() = default; // Empty
    static Value null();
    Value(bool b);
    Value(int32_t l);
    Value(float s);
    Value(double d);
    Value(const QString &s);
    Value(const char *utf8);
    static Value integer(int16_t i);
    // A 64-bit database integer: Long when it fits, Double otherwise.
    static Value fromInt64(int64_t v);
    static Value decimal(const DecimalNumber &n);
    static Value date(const QDate &d, const QTime &t = QTime(0, 0));
    static Value date(const QDateTime &dt);
    // The zero date/time of the runtime: 30 December 1899 00:00:00.
    static Value zeroDate();

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isString() const { return m_kind == Kind::String; }
    bool isDateValue() const { return m_kind == Kind::Date; }
    bool isBoolean() const { return m_kind == Kind::Boolean; }
    // Integer, Long, Single, Double or Decimal (Boolean is not a number kind here).
    bool isNumberKind() const;

    // "The value's text": numbers with the locale's decimal separator and no thousands
    // separators (Single: at most 7 significant digits, Double: at most 15, Decimal: every
    // digit, without trailing zeros after the point, as the runtime writes one); a Date as
    // dd-mm-yyyy, with " hh:mm:ss" when it has a time; Boolean as "True"/"False";
    // Empty as ""; Null raises 94 "Invalid use of Null".
    QString toText() const;

    // Conversions with the runtime's rules: numbers from texts under the user locale,
    // whole numbers rounded half to even (a Decimal on its own digits), out of range raising 6,
    // non-numbers raising 13.
    bool toBool() const;
    int16_t toInteger() const;
    int32_t toLong() const;
    float toSingle() const;
    double toDouble() const;
    // A Date, or a text that reads as a date (day-month-year, "-" or "/", optional time).
    QDateTime toDateTime() const;
    // The date and the time of day as they stand, without a local QDateTime and its
    // time-zone lookup (glibc checks the zone file at every one: a third of the VIP list's time).
    void toDateParts(QDate *date, QTime *time) const;

    // IsNumeric: a number kind, a Boolean, or a text that reads as a number under the user locale.
    bool isNumeric() const;
    // IsDate: a Date, or a text that reads as a date.
    bool isDate() const;

    // Raw access for providers and tests.
    const QString &stringValue() const { return m_string; }
    // A Decimal's nearest double (infinite beyond the double range).
    double numberValue() const { return m_number; }
    const DecimalNumber &decimalValue() const { return m_decimal; }
    QDate dateValue() const { return m_date; }
    QTime timeValue() const { return m_time; }

    bool operator==(const Value &other) const;
    bool operator!=(const Value &other) const { return !(*this == other); }

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0; // Boolean (0/1), Integer, Long, Single, Double; Decimal's nearest double
    DecimalNumber m_decimal;
    QString m_string;
    QDate m_date;
    QTime m_time;
};

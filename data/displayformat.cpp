#include "data/displayformat.h"

#include "data/datetext.h"
#include "data/decimalnumber.h"
#include "platform/localeinfo.h"

#include <QStringList>

namespace {

bool isDigitPlaceholder(QChar c)
{
    return c == QLatin1Char('#') || c == QLatin1Char('0');
}

bool isNumberPattern(const QString &pattern)
{
    return pattern.contains(QLatin1Char('#')) || pattern.contains(QLatin1Char('0'));
}

// One section of a number pattern: literal prefix, digit field, literal suffix.
struct NumberSection
{
    QString prefix;
    QString suffix;
    bool grouping = false;
    bool percent = false;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
};

NumberSection parseSection(const QString &text)
{
    NumberSection s;
    int first = -1;
    int last = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (isDigitPlaceholder(text[i])) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        s.prefix = text;
        return s;
    }
    // A "." just before the first placeholder belongs to the field ("#.00" has no integer digit).
    while (first > 0 && (text[first - 1] == QLatin1Char('.') || text[first - 1] == QLatin1Char(',')))
        --first;
    s.prefix = text.left(first);
    s.suffix = text.mid(last + 1);
    const QString field = text.mid(first, last - first + 1);
    const int point = field.indexOf(QLatin1Char('.'));
    const QString integerPart = point < 0 ? field : field.left(point);
    const QString fractionPart = point < 0 ? QString() : field.mid(point + 1);
    s.grouping = integerPart.contains(QLatin1Char(','));
    s.minIntegerDigits = int(integerPart.count(QLatin1Char('0')));
    s.minDecimals = int(fractionPart.count(QLatin1Char('0')));
    s.maxDecimals = s.minDecimals + int(fractionPart.count(QLatin1Char('#')));
    s.percent = s.prefix.contains(QLatin1Char('%')) || s.suffix.contains(QLatin1Char('%'));
    return s;
}

QString grouped(const QString &digits, const QString &separator)
{
    if (separator.isEmpty() || digits.size() <= 3)
        return digits;
    QString out;
    const int lead = int(digits.size() % 3);
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (i - lead) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

QString writeNumber(const DecimalNumber &magnitude, const NumberSection &s)
{
    QString integer = magnitude.integerDigits();
    if (integer == QLatin1String("0") && s.minIntegerDigits == 0)
        integer.clear();
    while (integer.size() < s.minIntegerDigits)
        integer.prepend(QLatin1Char('0'));
    if (s.grouping)
        integer = grouped(integer, LocaleInfo::thousandsSeparator());
    QString fraction = magnitude.fractionDigits(s.maxDecimals);
    while (fraction.size() > s.minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString out = s.prefix + integer;
    if (!fraction.isEmpty())
        out += LocaleInfo::decimalSeparator() + fraction;
    return out + s.suffix;
}

// The decimal digits of a value shown with a number pattern; false when it has none.
bool decimalOf(const Value &value, DecimalNumber *out)
{
    switch (value.kind()) {
    case Value::Kind::Single:
        *out = DecimalNumber::fromSingle(float(value.numberValue()));
        return true;
    case Value::Kind::Integer:
    case Value::Kind::Long:
    case Value::Kind::Double:
    case Value::Kind::Boolean:
    case Value::Kind::Date:
        *out = DecimalNumber::fromDouble(value.toDouble());
        return true;
    case Value::Kind::String:
        if (DecimalNumber::parse(value.stringValue(), LocaleInfo::decimalSeparator(),
                                 LocaleInfo::thousandsSeparator(), out))
            return true;
        if (value.isDate()) {
            *out = DecimalNumber::fromDouble(Value::date(value.toDateTime()).toDouble());
            return true;
        }
        return false;
    default:
        return false;
    }
}

QString formatNumber(const Value &value, const QString &pattern)
{
    DecimalNumber number;
    if (!decimalOf(value, &number))
        return value.toText();
    const QStringList sections = pattern.split(QLatin1Char(';'));
    const NumberSection positive = parseSection(sections[0]);
    DecimalNumber shown = number.scaled(positive.percent ? 2 : 0)
                              .rounded(positive.maxDecimals, DecimalNumber::Rounding::HalfAwayFromZero);
    if (!shown.isNegative())
        return writeNumber(shown, positive);
    if (sections.size() > 1 && !sections[1].isEmpty()) {
        const NumberSection negative = parseSection(sections[1]);
        shown = number.scaled(negative.percent ? 2 : 0)
                    .rounded(negative.maxDecimals, DecimalNumber::Rounding::HalfAwayFromZero);
        return writeNumber(shown.abs(), negative);
    }
    return QLatin1Char('-') + writeNumber(shown.abs(), positive);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString formatDate(const Value &value, const QString &pattern)
{
    const bool readable = value.isDateValue() || value.isDate() || value.isNumberKind();
    if (!readable)
        return value.toText();
    const QDateTime dt = value.toDateTime();
    const QDate d = dt.date();
    const QTime t = dt.time();
    const QString lower = pattern.toLower();
    QString out;
    int i = 0;
    auto run = [&](QChar c) {
        int n = 0;
        while (i + n < lower.size() && lower[i + n] == c)
            ++n;
        return n;
    };
    while (i < lower.size()) {
        const QChar c = lower[i];
        const int n = run(c);
        if (c == QLatin1Char('y') && n >= 3) {
            out += QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
            i += 4 <= n ? 4 : n;
        } else if (c == QLatin1Char('y') && n >= 2) {
            out += twoDigits(d.year() % 100);
            i += 2;
        } else if (c == QLatin1Char('d') || c == QLatin1Char('m') || c == QLatin1Char('h')
                   || c == QLatin1Char('n') || c == QLatin1Char('s')) {
            int part = 0;
            switch (c.unicode()) {
            case 'd': part = d.day(); break;
            case 'm': part = d.month(); break;
            case 'h': part = t.hour(); break;
            case 'n': part = t.minute(); break;
            default: part = t.second(); break;
            }
            out += n >= 2 ? twoDigits(part) : QString::number(part);
            i += n >= 2 ? 2 : 1;
        } else {
            out += pattern[i];
            ++i;
        }
    }
    return out;
}

} // namespace

QString DisplayFormat::format(const Value &value, const QString &pattern)
{
    if (value.isNull() || value.isEmpty())
        return QString();
    if (pattern.isEmpty())
        return value.toText();
    return isNumberPattern(pattern) ? formatNumber(value, pattern) : formatDate(value, pattern);
}

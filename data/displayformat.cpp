#include "data/displayformat.h"

#include "data/datetext.h"
#include "data/decimalnumber.h"
#include "platform/localeinfo.h"

#include <QDate>
#include <QStringList>
#include <QTime>

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
    case Value::Kind::Single: *out = DecimalNumber::fromSingle(float(value.numberValue())); return true;
    case Value::Kind::Decimal: *out = value.decimalValue(); return true;
    case Value::Kind::Integer:
    case Value::Kind::Long:
    case Value::Kind::Double:
    case Value::Kind::Boolean:
    case Value::Kind::Date: *out = DecimalNumber::fromDouble(value.toDouble()); return true;
    case Value::Kind::String:
        if (DecimalNumber::parse(value.stringValue(), LocaleInfo::decimalSeparator(), LocaleInfo::thousandsSeparator(),
                                 out))
            return true;
        if (value.isDate()) {
            *out = DecimalNumber::fromDouble(Value::date(value.toDateTime()).toDouble());
            return true;
        }
        return false;
    default: return false;
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
    // The section is chosen after rounding: -0.001 with two decimals shows as "0,00", never as
    // a negative zero such as "- 0,00".
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

const char *const MonthNames[] = {"janeiro", "fevereiro", "março",    "abril",   "maio",     "junho",
                                  "julho",   "agosto",    "setembro", "outubro", "novembro", "dezembro"};
const char *const DayNames[] = {"segunda-feira", "terça-feira", "quarta-feira", "quinta-feira",
                                "sexta-feira",   "sábado",      "domingo"};

// One piece of a date pattern: a run of one pattern letter, an AM/PM marker, or literal text.
struct DatePart
{
    QChar letter; // 'd', 'm', 'y', 'h', 'n', 's', 'a' (AM/PM or A/P); null for literal text
    int count = 0;
    QString text; // the literal text, or the marker as written
};

QList<DatePart> dateParts(const QString &pattern)
{
    QList<DatePart> parts;
    const QString lower = pattern.toLower();
    const auto literal = [&parts](const QString &text) {
        if (!parts.isEmpty() && parts.last().letter.isNull())
            parts.last().text += text;
        else
            parts.append({QChar(), 0, text});
    };
    for (qsizetype i = 0; i < lower.size();) {
        const QChar c = lower[i];
        if (c == QLatin1Char('"')) { // "text" is shown as it stands
            const qsizetype close = pattern.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close;
            literal(pattern.mid(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == QLatin1Char('\\') && i + 1 < lower.size()) {
            literal(pattern.mid(i + 1, 1));
            i += 2;
        } else if (lower.mid(i, 5) == QLatin1String("am/pm")) {
            parts.append({QLatin1Char('a'), 5, pattern.mid(i, 5)});
            i += 5;
        } else if (lower.mid(i, 3) == QLatin1String("a/p")) {
            parts.append({QLatin1Char('a'), 3, pattern.mid(i, 3)});
            i += 3;
        } else if (QStringLiteral("dmyhns").contains(c)) {
            qsizetype n = 1;
            while (i + n < lower.size() && lower[i + n] == c)
                ++n;
            parts.append({c, int(n), QString()});
            i += n;
        } else {
            literal(pattern.mid(i, 1));
            ++i;
        }
    }
    return parts;
}

// The letter of the nearest pattern letter before (step -1) or after (step 1) parts[i].
QChar neighbour(const QList<DatePart> &parts, qsizetype i, int step)
{
    for (qsizetype j = i + step; j >= 0 && j < parts.size(); j += step)
        if (!parts[j].letter.isNull())
            return parts[j].letter;
    return QChar();
}

// The patterns of the named formats, under the desk's Portuguese settings; General Date
// depends on the value and is decided by the caller.
QString namedPattern(const QString &name)
{
    static const struct
    {
        const char *name;
        const char *pattern;
    } named[] = {
        {"long date", "dddd, d \"de\" mmmm \"de\" yyyy"},
        {"medium date", "dd-mmm-yy"},
        {"short date", "dd-mm-yyyy"},
        {"long time", "hh:nn:ss"},
        {"medium time", "hh:nn AM/PM"},
        {"short time", "hh:nn"},
    };
    const QString key = name.trimmed().toLower();
    for (const auto &n : named)
        if (key == QLatin1String(n.name))
            return QString::fromUtf8(n.pattern);
    return QString();
}

QString formatDate(const Value &value, const QString &pattern)
{
    const bool readable = value.isDateValue() || value.isDate() || value.isNumberKind();
    if (!readable)
        return value.toText();
    QDate d;
    QTime t;
    value.toDateParts(&d, &t);
    if (pattern.trimmed().compare(QLatin1String("general date"), Qt::CaseInsensitive) == 0) {
        // The date alone at midnight, the time alone on the day that stands for no date.
        const bool noDate = d == QDate(1899, 12, 30);
        const bool noTime = t == QTime(0, 0);
        return formatDate(value, noDate && !noTime ? namedPattern(QStringLiteral("long time"))
                                 : noTime          ? namedPattern(QStringLiteral("short date"))
                                                   : QStringLiteral("dd-mm-yyyy hh:nn:ss"));
    }
    const QString named = namedPattern(pattern);
    const QList<DatePart> parts = dateParts(named.isEmpty() ? pattern : named);
    bool twelveHours = false;
    for (const DatePart &part : parts)
        twelveHours = twelveHours || part.letter == QLatin1Char('a');

    QString out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const DatePart &part = parts[i];
        QChar letter = part.letter;
        // "m" and "mm" right after an hour or right before seconds are minutes, as in "hh:mm"
        // and "mm:ss"; elsewhere they are the month ("n" is always minutes).
        if (letter == QLatin1Char('m') && part.count <= 2
            && (neighbour(parts, i, -1) == QLatin1Char('h') || neighbour(parts, i, 1) == QLatin1Char('s')))
            letter = QLatin1Char('n');
        const auto number = [&out](int n, int count) { out += count >= 2 ? twoDigits(n) : QString::number(n); };
        switch (letter.unicode()) {
        case 0: out += part.text; break;
        case 'd':
            if (part.count >= 4)
                out += QString::fromUtf8(DayNames[d.dayOfWeek() - 1]);
            else if (part.count == 3)
                out += QString::fromUtf8(DayNames[d.dayOfWeek() - 1]).left(3);
            else
                number(d.day(), part.count);
            break;
        case 'm':
            if (part.count >= 4)
                out += QString::fromUtf8(MonthNames[d.month() - 1]);
            else if (part.count == 3)
                out += QString::fromUtf8(MonthNames[d.month() - 1]).left(3);
            else
                number(d.month(), part.count);
            break;
        case 'y':
            if (part.count >= 3)
                out += QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
            else if (part.count == 2)
                out += twoDigits(d.year() % 100);
            else
                out += part.letter; // a lone "y" stays as it is written
            break;
        case 'h': number(twelveHours ? (t.hour() + 11) % 12 + 1 : t.hour(), part.count); break;
        case 'n': number(t.minute(), part.count); break;
        case 's': number(t.second(), part.count); break;
        case 'a': {
            const bool pm = t.hour() >= 12;
            const QString written = part.text;
            out += part.count == 5 ? (pm ? written.mid(3, 2) : written.left(2))
                                   : (pm ? written.mid(2, 1) : written.left(1));
            break;
        }
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

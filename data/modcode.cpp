#include "data/modcode.h"

#include "data/datetext.h"
#include "data/decimalnumber.h"
#include "data/displayformat.h"
#include "platform/errorreport.h"
#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"
#include "platform/textutil.h"

#include <QRegularExpression>

namespace {

struct SeparatorCache
{
    bool thousandsFilled = false;
    bool decimalFilled = false;
    QString thousands;
    QString decimal;
};

SeparatorCache &cache()
{
    static SeparatorCache c;
    return c;
}

QString quotedText(const QString &text)
{
    QString t = text;
    return QLatin1Char('\'') + modCode::Trtf(t) + QLatin1Char('\'');
}

// The text of a number literal: thousands separators other than "." and "," can never be a
// decimal mark and go; when both "." and "," appear the cached thousands separator goes
// too; then "," becomes ".". Anything that is still no plain numeric literal is refused
// rather than written into a query.
QString numberLiteralText(const QString &valueText)
{
    QString s = valueText;
    const QString thousands = cache().thousands;
    const bool both = s.contains(QLatin1Char(',')) && s.contains(QLatin1Char('.'));
    if (!thousands.isEmpty() && (both || (thousands != QLatin1String(".") && thousands != QLatin1String(","))))
        s.remove(thousands);
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression plain(QStringLiteral("^ *[-+]?(\\d+\\.?\\d*|\\.\\d+)([Ee][-+]?\\d+)? *$"));
    if (!plain.match(s).hasMatch())
        throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return s;
}

QString numberRule(const Value &value)
{
    if (value.isBoolean())
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    // A decimal read from the server goes back with every digit it came with.
    if (value.kind() == Value::Kind::Decimal)
        return value.decimalValue().toPlainText(QStringLiteral("."), 38, 38);
    if (!modCode::IsNumericValue(value))
        return QStringLiteral("null");
    const QString text = value.toText();
    // The negative path is for a text that starts with "-", not one that holds a minus
    // anywhere: an exponent such as 1E-5 is a positive number and must not become -100000.
    if (!TextUtil::trimSpaces(text).startsWith(QLatin1Char('-')))
        return numberLiteralText(text);
    // A negative number goes through a single: its magnitude read with "," as the decimal
    // mark, negated and written with at most 7 significant digits.
    const QString magnitude
        = numberLiteralText(TextUtil::trimSpaces(text).mid(1)).replace(QLatin1Char('.'), QLatin1Char(','));
    DecimalNumber n;
    if (!DecimalNumber::parse(magnitude, QStringLiteral(","), QString(), &n))
        throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    const float product = n.toSingle() * -1.0f;
    return DecimalNumber::fromDoubleSignificant(double(product), 7).toPlainText(QStringLiteral("."), 7, 5);
}

QString convertDate(const QDateTime &dt, int32_t code)
{
    const QString pattern = code == 1 ? DisplayFormat::isoDayPattern()
                                      : DisplayFormat::isoDayPattern() + QLatin1Char(' ') + QStringLiteral("Hh:Nn:Ss");
    return QStringLiteral("CONVERT(DATETIME,'") + DisplayFormat::format(Value::date(dt), pattern)
           + QStringLiteral("',102)");
}

QString dateRule(const Value &value, int32_t code)
{
    const QString text = value.toText();
    if (TextUtil::trimSpaces(text) == QLatin1String("- - -"))
        return QStringLiteral("null");
    if (value.isDate()) {
        const QDateTime dt = value.toDateTime();
        const QDateTime firstOf1900(QDate(1900, 1, 1), QTime(0, 0));
        const QDateTime zero(DateText::zeroDate(), QTime(0, 0));
        if (dt == firstOf1900 || dt == zero)
            return QStringLiteral("null");
        return convertDate(dt, code);
    }
    if (text.size() == 8) {
        const QString d = text.mid(0, 2) + QLatin1Char('-') + text.mid(2, 2) + QLatin1Char('-') + text.mid(4, 4);
        QDate day;
        if (DateText::read(d, &day, nullptr))
            return convertDate(QDateTime(day, QTime(0, 0)), code);
    }
    return QStringLiteral("null");
}

} // namespace

QString modCode::SQLValue(const Value &value, int32_t code)
{
    const bool known = code >= 1 && code <= 7;
    if (!known)
        return QString();
    const bool blank = value.isNull() || TextUtil::trimSpaces(value.toText()).isEmpty();
    switch (code) {
    case 3: return blank ? QStringLiteral("null") : quotedText(TextUtil::trimSpaces(value.toText()));
    case 4: return blank ? QStringLiteral("''") : quotedText(TextUtil::trimSpaces(value.toText()));
    case 6:
        if (blank)
            return QStringLiteral("'%%'");
        return QStringLiteral("'%")
               + Trtf(TextUtil::trimSpaces(value.toText()).replace(QLatin1Char(' '), QLatin1Char('%')))
               + QStringLiteral("%'");
    case 2:
    case 7: return blank ? QStringLiteral("null") : numberRule(value);
    default: // 1 and 5
        return blank ? QStringLiteral("null") : dateRule(value, code);
    }
}

QString modCode::Trtf(QString &text)
{
    try {
        if (!text.contains(QLatin1Char('\'')) && !text.contains(QLatin1Char('\\')))
            return text;
        QString out;
        out.reserve(text.size() + 16);
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == QLatin1Char('\'')) {
                out += QStringLiteral("' + CHAR(39) + '");
            } else if (c == QLatin1Char('\\') && i + 1 < text.size()
                       && (text[i + 1] == QLatin1Char('\n') || text[i + 1] == QLatin1Char('\r'))) {
                out += QStringLiteral("\\' + '");
            } else {
                out += c;
            }
        }
        text = out;
        return text;
    } catch (...) {
        ErrorReporting::moduleTail(QStringLiteral("Orbena"), QStringLiteral("modCode"), QStringLiteral("Trtf"));
        return QString();
    }
}

bool modCode::IsNumericValue(const Value &value)
{
    QString s = value.toText();
    SeparatorCache &c = cache();
    if (!c.thousandsFilled) {
        c.thousands = ThousandSeparator();
        c.thousandsFilled = true;
    }
    if (!c.decimalFilled) {
        c.decimal = DecimalSeparator();
        c.decimalFilled = true;
    }
    const bool comma = s.contains(QLatin1Char(','));
    const bool point = s.contains(QLatin1Char('.'));
    if (comma && point) {
        if (!c.thousands.isEmpty())
            s.remove(c.thousands);
    } else if (comma || point) {
        s.replace(QLatin1Char('.'), c.decimal);
        s.replace(QLatin1Char(','), c.decimal);
    }
    return Value(s).isNumeric();
}

QString modCode::ThousandSeparator()
{
    return LocaleInfo::thousandsSeparator();
}

QString modCode::DecimalSeparator()
{
    const QString d = LocaleInfo::decimalSeparator();
    if (d.isEmpty())
        throw RuntimeError(ErrorNumber::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    return d;
}

void modCode::resetSeparatorCache()
{
    cache() = SeparatorCache{};
}

#include "data/sqlitevalue.h"

#include "data/decimalnumber.h"

#include <QRegularExpression>

#include <sqlite3.h>

Value SqliteValue::parseDateText(const QString &text)
{
    static const QRegularExpression dateTime(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d+))?)?)?$"));
    static const QRegularExpression timeOnly(QStringLiteral("^()()()(\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d+))?)?$"));
    const QString trimmed = text.trimmed();
    QRegularExpressionMatch m = dateTime.match(trimmed);
    if (!m.hasMatch())
        m = timeOnly.match(trimmed);
    if (!m.hasMatch())
        return Value();
    QDate date(1899, 12, 30);
    if (!m.captured(1).isEmpty())
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    QTime time(0, 0);
    if (!m.captured(4).isEmpty()) {
        const int ms = m.captured(7).isEmpty() ? 0 : m.captured(7).left(3).leftJustified(3, QLatin1Char('0')).toInt();
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    }
    if (!date.isValid() || !time.isValid())
        return Value();
    return Value::date(date, time);
}

namespace {

// The places a column declared as an exact decimal holds, as SQL Server declares them:
// DECIMAL(p,s), NUMERIC(p,s) and DEC(p,s) s (none without one), MONEY and SMALLMONEY four;
// -1 for any other declared type.
int decimalScale(const QString &declared)
{
    if (declared == QLatin1String("MONEY") || declared == QLatin1String("SMALLMONEY"))
        return 4;
    if (!declared.startsWith(QLatin1String("DEC")) && !declared.startsWith(QLatin1String("NUMERIC")))
        return -1;
    static const QRegularExpression exact(
        QStringLiteral("^(?:DECIMAL|DEC|NUMERIC)\\s*(?:\\(\\s*\\d+\\s*(?:,\\s*(\\d+)\\s*)?\\))?$"));
    const QRegularExpressionMatch m = exact.match(declared);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// A stored number as such a column holds it: rounded to the column's places as SQL Server
// rounds on storing (half away from zero), whatever SQLite's numeric affinity made of it.
Value decimalValue(const DecimalNumber &n, int scale)
{
    return Value::decimal(n.rounded(scale, DecimalNumber::Rounding::HalfAwayFromZero));
}

} // namespace

Value SqliteValue::fromColumn(sqlite3_stmt *stmt, int column, const QString &declaredType)
{
    const QString declared = declaredType.toUpper();
    const int scale = decimalScale(declared);
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return Value::null();
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(stmt, column);
        if (scale >= 0) {
            DecimalNumber n;
            DecimalNumber::parse(QString::number(v), QStringLiteral("."), QString(), &n);
            return Value::decimal(n);
        }
        if (declared == QLatin1String("BIT") || declared.startsWith(QLatin1String("BOOL")))
            return Value(v != 0);
        return Value::fromInt64(v);
    }
    case SQLITE_FLOAT:
        if (scale >= 0)
            return decimalValue(DecimalNumber::fromDouble(sqlite3_column_double(stmt, column)), scale);
        return Value(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                               sqlite3_column_bytes(stmt, column));
        DecimalNumber n;
        if (scale >= 0 && DecimalNumber::parse(text, QStringLiteral("."), QString(), &n))
            return decimalValue(n, scale);
        if (declared.contains(QLatin1String("DATE")) || declared == QLatin1String("TIME")) {
            const Value date = parseDateText(text);
            if (date.isDateValue())
                return date;
        }
        // SQL Server stores CHAR(n) blank-padded to n and sends it so.
        static const QRegularExpression fixed(QStringLiteral("^N?CHAR(?:ACTER)?\\s*\\(\\s*(\\d+)\\s*\\)"));
        if (declared.contains(QLatin1String("CHAR")) && !declared.contains(QLatin1String("VAR"))) {
            const QRegularExpressionMatch m = fixed.match(declared);
            const int width = m.hasMatch() ? m.captured(1).toInt() : 0;
            if (width > text.size() && width <= 8000)
                return Value(text.leftJustified(width, QLatin1Char(' ')));
        }
        return Value(text);
    }
    default: // BLOB: its bytes as Latin-1 text; the desk reads no binary columns
        return Value(QString::fromLatin1(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                                         sqlite3_column_bytes(stmt, column)));
    }
}

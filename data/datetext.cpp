#include "data/datetext.h"

#include <QRegularExpression>

namespace {

bool readTime(const QString &text, QTime *time)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int h = m.captured(1).toInt();
    const int n = m.captured(2).toInt();
    const int s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    if (!QTime::isValid(h, n, s))
        return false;
    *time = QTime(h, n, s);
    return true;
}

bool readDay(const QString &text, QDate *date)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,2})[-/](\\d{1,2})[-/](\\d{4}|\\d{2})$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int d = m.captured(1).toInt();
    const int mo = m.captured(2).toInt();
    int y = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        y += y < 30 ? 2000 : 1900;
    else if (y < 100)
        return false;
    if (!QDate::isValid(y, mo, d))
        return false;
    *date = QDate(y, mo, d);
    return true;
}

} // namespace

QDate DateText::zeroDate()
{
    return QDate(1899, 12, 30);
}

bool DateText::read(const QString &text, QDate *date, QTime *time)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const int space = t.indexOf(QLatin1Char(' '));
    QDate d;
    QTime tm(0, 0);
    if (space < 0) {
        if (!readDay(t, &d)) {
            if (!readTime(t, &tm))
                return false;
            d = zeroDate();
        }
    } else if (!readDay(t.left(space), &d) || !readTime(t.mid(space + 1).trimmed(), &tm)) {
        return false;
    }
    if (date)
        *date = d;
    if (time)
        *time = tm;
    return true;
}

QDateTime DateText::datetimeTick(const QDateTime &time)
{
    constexpr qint64 TicksPerDay = 300LL * 86400;
    const qint64 ticks = (qint64(time.time().msecsSinceStartOfDay()) * 3 + 5) / 10;
    QDateTime rounded = time;
    rounded.setDate(ticks >= TicksPerDay ? time.date().addDays(1) : time.date());
    rounded.setTime(QTime::fromMSecsSinceStartOfDay(int(((ticks % TicksPerDay) * 10 + 1) / 3)));
    return rounded;
}

QString DateText::datetimeText(const QDateTime &time)
{
    return datetimeTick(time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

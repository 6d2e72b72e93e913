#include "data/arrivalstatistics.h"

#include "data/journalformat.h"
#include "data/recordset.h"
#include "platform/runtimeerror.h"

#include <QStringList>

#include <algorithm>
#include <map>

namespace ArrivalStatistics {

namespace {

constexpr int MinutesPerDay = 24 * 60;

QString timeLiteral(const QDateTime &t)
{
    return QStringLiteral("CONVERT(DATETIME,'") + t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
           + QStringLiteral("',121)");
}

QString dayLiteral(const QDate &day)
{
    return QStringLiteral("CONVERT(DATETIME,'") + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("',102)");
}

// A count column: SUM over no rows is Null.
int64_t count(const Recordset &rs, const char *name)
{
    const Value v = rs.Fields(name).Value();
    return v.isNull() || v.isEmpty() ? 0 : int64_t(v.toDouble());
}

// A server time as a zone-less wall-clock time.
QDateTime wallClock(const Value &v)
{
    // The embedded store and the test server give GETDATE() as its stored text.
    if (v.isString()) {
        const QString text = v.stringValue().trimmed().replace(QLatin1Char('T'), QLatin1Char(' '));
        for (const char *format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss"}) {
            QDateTime t = QDateTime::fromString(text, QLatin1String(format));
            if (t.isValid())
                return QDateTime(t.date(), t.time(), Qt::UTC);
        }
    }
    QDate date;
    QTime time;
    v.toDateParts(&date, &time);
    return QDateTime(date, time, Qt::UTC);
}

QString timeText(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

QString nowQuery()
{
    return QStringLiteral("SELECT GETDATE() AS agora");
}

QString figuresQuery(const QDateTime &now)
{
    // The server's now as a constant, read once before: GETDATE() in every row would be
    // called per row by the embedded store. A member record is a socio_id other than Null
    // and 0; base_dados names its organisation.
    const QString at = timeLiteral(now);
    return QStringLiteral(
               "SELECT COUNT(*) AS convidados, COUNT(checked_in) AS entradas, "
               "SUM(CASE WHEN checked_in > %1 THEN 1 ELSE 0 END) AS futuras, "
               "SUM(CASE WHEN checked_in > DATEADD(MINUTE, -15, %1) AND checked_in <= %1 THEN 1 ELSE 0 END) "
               "AS ultimos_15, "
               "SUM(CASE WHEN base_dados = 1 AND socio_id <> 0 THEN 1 ELSE 0 END) AS zelmar_convidados, "
               "SUM(CASE WHEN base_dados = 1 AND socio_id <> 0 AND checked_in IS NOT NULL THEN 1 ELSE 0 END) "
               "AS zelmar_entradas, "
               "SUM(CASE WHEN base_dados = 2 AND socio_id <> 0 THEN 1 ELSE 0 END) AS korda_convidados, "
               "SUM(CASE WHEN base_dados = 2 AND socio_id <> 0 AND checked_in IS NOT NULL THEN 1 ELSE 0 END) "
               "AS korda_entradas, "
               "SUM(CASE WHEN socio_id IS NULL OR socio_id = 0 THEN 1 ELSE 0 END) AS sem_ficha_convidados, "
               "SUM(CASE WHEN (socio_id IS NULL OR socio_id = 0) AND checked_in IS NOT NULL THEN 1 ELSE 0 END) "
               "AS sem_ficha_entradas FROM tbConvites")
        .arg(at);
}

QString vipQuery()
{
    // The VIP list's rule (an entry time, no_tap listed as a VIP no_empresa), each invitation
    // counted once even when its number is listed twice.
    return QStringLiteral("SELECT COUNT(*) AS vip FROM tbConvites WHERE checked_in IS NOT NULL "
                          "AND no_tap IN (SELECT no_empresa FROM tbConvites_VIPs)");
}

QString bucketsQuery(const QDate &day, int minutes)
{
    const QString bucket = QStringLiteral("DATEDIFF(MINUTE, ") + dayLiteral(day) + QStringLiteral(", checked_in) / ")
                           + QString::number(minutes);
    return QStringLiteral("SELECT ") + bucket + QStringLiteral(" AS balde, COUNT(*) AS entradas FROM tbConvites ")
           + QStringLiteral("WHERE checked_in >= ") + dayLiteral(day) + QStringLiteral(" GROUP BY ") + bucket;
}

Picture picture(const Figures &figures, int minutes, const std::vector<std::pair<int64_t, int64_t>> &rows)
{
    Picture p;
    p.figures = figures;
    p.minutes = minutes;
    const QDateTime midnight(figures.now.date(), QTime(0, 0), Qt::UTC);
    const int64_t dayBuckets = (MinutesPerDay + minutes - 1) / minutes;
    const int64_t nowBucket = midnight.secsTo(figures.now) / 60 / minutes;

    std::map<int64_t, int64_t> perBucket;
    int64_t sinceMidnight = 0;
    for (const auto &[bucket, entries] : rows) {
        sinceMidnight += entries;
        if (bucket >= dayBuckets)
            p.beyondDay += entries;
        else
            perBucket[bucket] += entries;
    }
    if (perBucket.empty())
        return p;
    // The statements are not one snapshot: an entry between them must not make this negative.
    int64_t total = std::max<int64_t>(0, figures.entered - sinceMidnight);
    const int64_t first = std::min(perBucket.begin()->first, nowBucket);
    const int64_t last = std::max(perBucket.rbegin()->first, nowBucket);
    for (int64_t b = first; b <= last; ++b) {
        Bucket bucket;
        bucket.start = midnight.addSecs(b * minutes * 60);
        const auto it = perBucket.find(b);
        bucket.entries = it == perBucket.end() ? 0 : it->second;
        total += bucket.entries;
        bucket.runningTotal = total;
        bucket.future = bucket.start > figures.now;
        p.buckets.push_back(bucket);
    }
    return p;
}

Picture read(const ConnectionRef &connection, int minutes)
{
    Figures f;
    Recordset rs;
    rs.Open(nowQuery(), connection);
    if (!rs.Eof())
        f.now = wallClock(rs.Fields("agora").Value());
    rs.Close();
    if (!f.now.isValid())
        throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("GETDATE() gave no time"));

    rs.Open(figuresQuery(f.now), connection);
    if (!rs.Eof()) {
        f.invited = count(rs, "convidados");
        f.entered = count(rs, "entradas");
        f.future = count(rs, "futuras");
        f.lastQuarter = count(rs, "ultimos_15");
        f.zelmar = {count(rs, "zelmar_entradas"), count(rs, "zelmar_convidados")};
        f.korda = {count(rs, "korda_entradas"), count(rs, "korda_convidados")};
        f.noMember = {count(rs, "sem_ficha_entradas"), count(rs, "sem_ficha_convidados")};
    }
    rs.Close();

    rs.Open(vipQuery(), connection);
    if (!rs.Eof())
        f.vip = count(rs, "vip");
    rs.Close();

    std::vector<std::pair<int64_t, int64_t>> rows;
    rs.Open(bucketsQuery(f.now.date(), minutes), connection);
    while (!rs.Eof()) {
        rows.emplace_back(count(rs, "balde"), count(rs, "entradas"));
        rs.MoveNext();
    }
    rs.Close();
    return picture(f, minutes, rows);
}

QString csv(const Picture &picture)
{
    QString text = QStringLiteral("start,end,entries,running_total,future\r\n");
    for (const Bucket &b : picture.buckets) {
        const QStringList fields{timeText(b.start), timeText(b.start.addSecs(picture.minutes * 60)),
                                 QString::number(b.entries), QString::number(b.runningTotal),
                                 b.future ? QStringLiteral("1") : QStringLiteral("0")};
        QStringList quoted;
        for (const QString &field : fields)
            quoted << JournalFormat::csvField(field);
        text += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return text;
}

} // namespace ArrivalStatistics

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
    // called per row by the embedded store. Grouped on base_dados, the index on (base_dados,
    // socio_id) gives the groups in order without sorting (this pass over every invitation is
    // most of the read's time); each group's invitations without a member record (socio_id
    // Null or 0) are two short ranges of that index, looked up per group rather than tested
    // per invitation (the Null group's apart, as "=" never matches Null). The other counts are
    // short ranges of the index on checked_in. The VIP count follows the VIP list's rule (an
    // entry time, no_tap listed as a VIP no_empresa), each invitation counted once even when
    // its number is listed twice, looked up from the VIP list through the index on no_tap.
    const QString at = timeLiteral(now);
    return QStringLiteral(
               "SELECT c.base_dados, COUNT(*) AS convidados, "
               "(SELECT COUNT(*) FROM tbConvites s WHERE s.base_dados = c.base_dados AND s.socio_id IS NULL) "
               "+ (SELECT COUNT(*) FROM tbConvites s WHERE s.base_dados = c.base_dados AND s.socio_id = 0) AS "
               "sem_ficha, "
               "(SELECT COUNT(*) FROM tbConvites WHERE base_dados IS NULL AND socio_id IS NULL) "
               "+ (SELECT COUNT(*) FROM tbConvites WHERE base_dados IS NULL AND socio_id = 0) AS sem_ficha_sem_base, "
               "(SELECT COUNT(*) FROM tbConvites WHERE checked_in > %1) AS futuras, "
               "(SELECT COUNT(*) FROM tbConvites WHERE checked_in > DATEADD(MINUTE, -15, %1) AND checked_in <= %1) "
               "AS ultimos_15, "
               "(SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NOT NULL "
               "AND no_tap IN (SELECT no_empresa FROM tbConvites_VIPs)) AS vip "
               "FROM tbConvites c GROUP BY c.base_dados")
        .arg(at);
}

QString sharesQuery(bool entered)
{
    // One pass over one range of the index (checked_in, base_dados, socio_id), which holds
    // every column read: checked_in IS NULL is an equality on it, and an entry time is at least
    // the earliest time a DATETIME holds. (The embedded store walks no index for IS NOT NULL.)
    const QString side = entered ? QStringLiteral(">= CONVERT(DATETIME,'1753-01-01',102)") : QStringLiteral("IS NULL");
    return QStringLiteral("SELECT SUM(CASE WHEN base_dados = 1 AND socio_id <> 0 THEN 1 ELSE 0 END) AS zelmar, "
                          "SUM(CASE WHEN base_dados = 2 AND socio_id <> 0 THEN 1 ELSE 0 END) AS korda, "
                          "SUM(CASE WHEN socio_id IS NULL OR socio_id = 0 THEN 1 ELSE 0 END) AS sem_ficha "
                          "FROM tbConvites WHERE checked_in ")
           + side;
}

QString bucketsQuery(const QDate &day, int minutes)
{
    // A count of an index range per bucket, between whole-second bounds written without a
    // fraction: a time stored with or without milliseconds falls on the right side of each (a
    // bucket per row of a GROUP BY on DATEDIFF would compute and sort every entry of the day).
    const QDateTime midnight(day, QTime(0, 0), Qt::UTC);
    const int dayBuckets = (MinutesPerDay + minutes - 1) / minutes;
    const auto bound = [&](int bucket) {
        return QStringLiteral("CONVERT(DATETIME,'")
               + midnight.addSecs(qint64(bucket) * minutes * 60).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
               + QStringLiteral("',120)");
    };
    // The entries of earlier days, numbered -1: with the buckets, every entry time (each is at
    // least the earliest time a DATETIME holds; the embedded store walks no index for IS NOT NULL).
    QStringList parts{QStringLiteral("SELECT -1 AS balde, COUNT(*) AS entradas FROM tbConvites WHERE checked_in >= "
                                     "CONVERT(DATETIME,'1753-01-01',102) AND checked_in < %1")
                          .arg(bound(0))};
    for (int b = 0; b < dayBuckets; ++b)
        parts << QStringLiteral("SELECT %1 AS balde, COUNT(*) AS entradas FROM tbConvites WHERE checked_in >= %2 "
                                "AND checked_in < %3")
                     .arg(b)
                     .arg(bound(b), bound(b + 1));
    parts << QStringLiteral("SELECT %1 AS balde, COUNT(*) AS entradas FROM tbConvites WHERE checked_in >= %2")
                 .arg(dayBuckets)
                 .arg(bound(dayBuckets));
    return parts.join(QStringLiteral(" UNION ALL "));
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

    // The buckets first: with the earlier days' row they count every entry, which tells on
    // which side each organisation's entries are fewer.
    std::vector<std::pair<int64_t, int64_t>> rows;
    rs.Open(bucketsQuery(f.now.date(), minutes), connection);
    for (; !rs.Eof(); rs.MoveNext()) {
        const int64_t bucket = count(rs, "balde");
        const int64_t entries = count(rs, "entradas");
        f.entered += entries;
        // Buckets without entries are no rows, as a GROUP BY gives them.
        if (bucket >= 0 && entries > 0)
            rows.emplace_back(bucket, entries);
    }
    rs.Close();

    rs.Open(figuresQuery(f.now), connection);
    int64_t zelmarMembers = 0;
    int64_t kordaMembers = 0;
    int64_t noMember = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        const int64_t invited = count(rs, "convidados");
        const Value base = rs.Fields("base_dados").Value();
        const bool nullBase = base.isNull() || base.isEmpty();
        const int64_t withoutRecord = count(rs, nullBase ? "sem_ficha_sem_base" : "sem_ficha");
        const int64_t withRecord = invited - withoutRecord;
        const double organisation = nullBase ? 0 : base.toDouble();
        f.invited += invited;
        noMember += withoutRecord;
        if (organisation == 1)
            zelmarMembers = withRecord;
        else if (organisation == 2)
            kordaMembers = withRecord;
        f.future = count(rs, "futuras");
        f.lastQuarter = count(rs, "ultimos_15");
        f.vip = count(rs, "vip");
    }
    rs.Close();
    // The statements are not one snapshot: an entry between them must not make a share too large.
    f.entered = std::min(f.entered, f.invited);

    // Each organisation's entered, counted on the smaller side of the entries.
    const bool enteredSide = f.entered <= f.invited - f.entered;
    int64_t zelmar = 0, korda = 0, none = 0;
    if (f.invited > 0) {
        rs.Open(sharesQuery(enteredSide), connection);
        if (!rs.Eof()) {
            zelmar = count(rs, "zelmar");
            korda = count(rs, "korda");
            none = count(rs, "sem_ficha");
        }
        rs.Close();
    }
    const auto share = [enteredSide](int64_t counted, int64_t invited) {
        const int64_t entered = enteredSide ? counted : invited - counted;
        return Share{std::clamp<int64_t>(entered, 0, invited), invited};
    };
    f.zelmar = share(zelmar, zelmarMembers);
    f.korda = share(korda, kordaMembers);
    f.noMember = share(none, noMember);

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

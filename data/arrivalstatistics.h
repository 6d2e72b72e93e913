#pragma once

#include "data/connection.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

// The arrivals at a glance: how many were invited and have entered, per organisation, the
// VIPs, and the entries of the day in buckets of a few minutes. The counting is done by the
// server (grouped statements, DATEDIFF/DATEADD buckets); this reads the few rows they give
// and fills the gaps. Entry times are the server's, as stored, taken as wall-clock times
// without a zone (held in QDateTime as UTC so that no daylight-saving rule moves them); "now"
// is the server's GETDATE(). An entry time after that now is counted like any other and
// marked as future. Plain functions; read() raises the connection's RuntimeError when a
// statement fails. The connection must see tbConvites and tbConvites_VIPs (KORDA's, as
// the VIP list reads them).
namespace ArrivalStatistics {

// Entered of invited, for one group of invitations.
struct Share
{
    int64_t entered = 0;
    int64_t invited = 0;
    bool operator==(const Share &o) const { return entered == o.entered && invited == o.invited; }
};

struct Figures
{
    int64_t invited = 0;     // "Convidados": every invitation
    int64_t entered = 0;     // "Entradas": invitations with an entry time, future ones included
    int64_t lastQuarter = 0; // "Últimos 15 min": entry time in the 15 minutes up to now
    int64_t future = 0;      // entry time after now
    Share zelmar;            // base_dados 1, with a member record
    Share korda;             // base_dados 2, with a member record
    Share noMember;          // "Sem ficha de sócio": socio_id Null or 0
    int64_t vip = 0;         // entered and listed in tbConvites_VIPs (each invitation once)
    QDateTime now;           // the server's clock when the figures were read

    int64_t toCome() const { return invited - entered; } // "Por entrar"
};

struct Bucket
{
    QDateTime start;          // the bucket covers [start, start + minutes)
    int64_t entries = 0;      // entry times in the bucket
    int64_t runningTotal = 0; // entries up to the end of the bucket, earlier days included
    bool future = false;      // the bucket starts after now
};

struct Picture
{
    Figures figures;
    int minutes = 15;
    // From the bucket of the first entry of now's day to that of now, or of the last entry
    // of the day when it is later; empty when nobody entered that day yet.
    std::vector<Bucket> buckets;
    int64_t beyondDay = 0; // future entries on a later day: counted, not in a bucket
};

// The bucket sizes the window offers.
constexpr int BucketChoices[] = {5, 15, 60};

// Each statement counts through indexes (tbConvites on (checked_in, base_dados, socio_id), on
// (base_dados, socio_id) and on no_tap) rather than reading every invitation: the window reads
// again every 10 s on every desk, at a million invitations.
QString nowQuery();
// One row per base_dados: its invitations and those without a member record (socio_id Null or
// 0; for the Null base_dados in sem_ficha_sem_base); and in every row the future entries, the
// last 15 minutes' and the VIP entries.
QString figuresQuery(const QDateTime &now);
// The invitations of each organisation (zelmar, korda, sem_ficha) with an entry time
// (entered true) or without one: the side with fewer rows is read, the other follows.
QString sharesQuery(bool entered);
// Entries per bucket from the day's midnight on: bucket number (0 = from midnight) and count,
// one row per bucket of the day, one numbered past them for every later day and one numbered
// -1 for every earlier day.
QString bucketsQuery(const QDate &day, int minutes);

// The buckets from the server's rows (bucket number -> count), with the gaps filled and the
// running total, as described for Picture. entered is the total of Figures.
Picture picture(const Figures &figures, int minutes, const std::vector<std::pair<int64_t, int64_t>> &rows);

// The four statements, one after another on the connection: the now, the buckets (which
// give the entered), the figures and each organisation's entered.
Picture read(const ConnectionRef &connection, int minutes);

// The buckets as CSV (RFC 4180, as the journal writes it): start,end,entries,running_total,future,
// times as "yyyy-MM-dd HH:mm".
QString csv(const Picture &picture);

} // namespace ArrivalStatistics

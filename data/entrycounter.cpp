#include "data/entrycounter.h"

#include "data/backgroundconnection.h"
#include "data/recordset.h"

#include <QLocale>
#include <QThread>

EntryCounter::EntryCounter(int memberId, QObject *parent)
    : QObject(parent), m_reader(std::make_unique<BackgroundConnection>(memberId, QThread::IdlePriority)),
      m_text(text(std::nullopt))
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &EntryCounter::refreshNow);
}

EntryCounter::~EntryCounter() = default;

QString EntryCounter::query()
{
    // Every entry time is at least the earliest time a DATETIME holds: as a range, the count
    // reads only the entered invitations of the index on checked_in (the embedded store walks
    // no index for IS NOT NULL, and read the whole table every three seconds at a million).
    return QStringLiteral("SELECT COUNT(*) AS entradas FROM tbConvites WHERE checked_in >= "
                          "CONVERT(DATETIME,'1753-01-01',102)");
}

QString EntryCounter::text(std::optional<int64_t> count)
{
    if (!count)
        return QStringLiteral("Entradas: —");
    // Thousands grouped with "." whatever the desk's locale (German writes them so).
    static const QLocale grouping(QLocale::German, QLocale::Germany);
    return QStringLiteral("Entradas: ") + grouping.toString(qlonglong(*count));
}

void EntryCounter::start()
{
    m_timer.start();
    refreshNow();
}

void EntryCounter::refreshNow()
{
    if (m_reading) {
        m_again = true;
        return;
    }
    m_reading = true;
    m_again = false;
    m_discard = false;
    m_reader->run(
        [this](const ConnectionRef &connection) -> BackgroundConnection::Then {
            Recordset rs;
            rs.Open(query(), connection);
            std::optional<int64_t> count;
            if (!rs.Eof())
                count = int64_t(rs.Fields(0).Value().toDouble());
            rs.Close();
            return [this, count] { show(count); };
        },
        [this](const CurrentError &) { show(std::nullopt); });
}

void EntryCounter::adjust(int delta)
{
    if (!m_count)
        return;
    m_discard = m_reading;
    *m_count += delta;
    m_text = text(m_count);
    emit textChanged(m_text);
}

void EntryCounter::show(std::optional<int64_t> count)
{
    m_reading = false;
    if (m_discard) {
        m_discard = false;
        if (m_again)
            refreshNow();
        return;
    }
    m_count = count;
    const QString shown = text(count);
    if (shown != m_text) {
        m_text = shown;
        emit textChanged(m_text);
    }
    if (m_again)
        refreshNow();
}

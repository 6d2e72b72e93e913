#include "data/scanjournal.h"

#include "data/sqlitevalue.h"
#include "platform/errorreport.h"

#include <QDateTime>
#include <QSysInfo>

QDateTime serverInstant(const Value &time)
{
    Value date = time;
    if (date.isString())
        date = SqliteValue::parseDateText(date.toText().trimmed());
    if (!date.isDateValue() || date == Value::zeroDate())
        return QDateTime();
    QDate day;
    QTime clock;
    date.toDateParts(&day, &clock);
    return QDateTime(day, clock, Qt::UTC);
}

namespace {
const QString InstantFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
}

bool EntryWindow::contains(const Value &entryTime) const
{
    const QDateTime t = serverInstant(entryTime);
    return isValid() && t.isValid() && t >= from.addMSecs(-3) && t <= to.addMSecs(3);
}

QString EntryWindow::text() const
{
    return from.toString(InstantFormat) + QLatin1Char('/') + to.toString(InstantFormat);
}

EntryWindow EntryWindow::fromText(const QString &text)
{
    const QStringList ends = text.split(QLatin1Char('/'));
    if (ends.size() != 2)
        return {};
    EntryWindow w{QDateTime::fromString(ends[0], InstantFormat), QDateTime::fromString(ends[1], InstantFormat)};
    w.from.setTimeSpec(Qt::UTC);
    w.to.setTimeSpec(Qt::UTC);
    return w;
}

void ServerClock::read(const QDateTime &serverTime)
{
    if (!serverTime.isValid())
        return;
    m_server = serverTime;
    m_since.start();
}

std::optional<QDateTime> ServerClock::earliestAfter(qint64 elapsedMs) const
{
    if (elapsedMs < 0 || elapsedMs > MaxAgeMs || !m_server.isValid())
        return std::nullopt;
    return m_server.addMSecs(elapsedMs - (elapsedMs / 2000 + 1) - 4);
}

QDateTime OfflineEntry::deskNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}

ScanJournal::ScanJournal(QString path) : m_journal(std::move(path)), m_desk(QSysInfo::machineHostName())
{
}

QString ScanJournal::entryTimeText(const Value &entryTime)
{
    if (!entryTime.isDateValue() || entryTime == Value::zeroDate())
        return QString();
    // As the server gave it: a local QDateTime would lose an hour that the time zone skips.
    return serverInstant(entryTime).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

void ScanJournal::record(const QString &typed, const QString &verdict, int32_t conviteId,
                         const Value &entryTime) noexcept
{
    try {
        JournalEntry entry;
        entry.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        entry.desk = m_desk;
        entry.entry = typed;
        entry.verdict = verdict;
        if (conviteId != 0)
            entry.conviteId = conviteId;
        entry.entryTime = entryTimeText(entryTime);
        if (verdict == QLatin1String("undone") && entry.entryTime.isEmpty() && conviteId == m_lastConviteId)
            entry.entryTime = m_lastEntryTime;
        m_lastConviteId = conviteId;
        m_lastEntryTime = entry.entryTime;
        if (conviteId != 0 && (verdict == QLatin1String("accepted") || verdict == QLatin1String("undone")))
            apply(m_own[conviteId], verdict, entry.entryTime);

        if (m_journal.append(entry)) {
            m_failureReported = false;
            return;
        }
        if (!m_failureReported) {
            m_failureReported = true;
            ErrorReporting::report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"),
                                    QStringLiteral("ScanJournal"), QStringLiteral("record"), m_journal.lastError()});
        }
    } catch (...) {
        // Nothing a journal does may reach the desk.
    }
}

void ScanJournal::recordUnconfirmed(const QString &typed, int32_t conviteId, const EntryWindow &window) noexcept
{
    try {
        JournalEntry entry;
        entry.time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        entry.desk = m_desk;
        entry.entry = typed;
        entry.verdict = QStringLiteral("unconfirmed");
        entry.conviteId = conviteId;
        entry.entryTime = window.text();
        apply(m_own[conviteId], entry.verdict, entry.entryTime);
        if (!m_journal.append(entry) && !m_failureReported) {
            m_failureReported = true;
            ErrorReporting::report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"),
                                    QStringLiteral("ScanJournal"), QStringLiteral("recordUnconfirmed"),
                                    m_journal.lastError()});
        }
    } catch (...) {
    }
}

void ScanJournal::apply(OwnState &state, const QString &verdict, const QString &entryTime)
{
    if (verdict == QLatin1String("accepted")) {
        state = OwnState{entryTime, {}};
    } else if (verdict == QLatin1String("undone")) {
        state = OwnState();
    } else if (verdict == QLatin1String("delivered")) {
        // An entry decided offline and written since: the server holds this desk's time.
        state = OwnState{entryTime.left(19), {}};
    } else if (verdict == QLatin1String("unconfirmed")) {
        state.window = EntryWindow::fromText(entryTime);
    }
}

ScanJournal::Own ScanJournal::ownEntry(int32_t conviteId, const Value &entryTime) const noexcept
{
    try {
        const QDateTime t = serverInstant(entryTime);
        if (conviteId == 0 || !t.isValid())
            return Own::No;
        OwnState state;
        const auto known = m_own.find(conviteId);
        if (known != m_own.end()) {
            state = known->second;
        } else {
            for (const JournalEntry &e : DeskJournal::entriesOf(m_journal.path(), conviteId, m_desk))
                apply(state, e.verdict, e.entryTime);
        }
        // The journal keeps an entry time to the second.
        if (!state.written.isEmpty() && state.written == t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")))
            return Own::Written;
        if (state.window.contains(entryTime))
            return Own::Unconfirmed;
    } catch (...) {
    }
    return Own::No;
}

bool ScanJournal::appendRow(const QString &typed, const QString &verdict, int32_t conviteId, const QString &entryTime,
                            const QString &time, const char *procedure) noexcept
{
    try {
        JournalEntry entry;
        entry.time = time.isEmpty() ? QDateTime::currentDateTime().toString(InstantFormat) : time;
        entry.desk = m_desk;
        entry.entry = typed;
        entry.verdict = verdict;
        if (conviteId != 0)
            entry.conviteId = conviteId;
        entry.entryTime = entryTime;
        if (m_journal.append(entry)) {
            m_failureReported = false;
            return true;
        }
        if (!m_failureReported) {
            m_failureReported = true;
            ErrorReporting::report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"),
                                    QStringLiteral("ScanJournal"), QString::fromLatin1(procedure),
                                    m_journal.lastError()});
        }
    } catch (...) {
    }
    return false;
}

bool ScanJournal::recordOffline(const OfflineEntry &entry) noexcept
{
    // The scan's own time, so that the row keeps the offset it was decided with.
    return appendRow(entry.typed, QStringLiteral("accepted_offline"), entry.conviteId,
                     entry.serverTime.toString(InstantFormat), entry.deskTime.toString(InstantFormat), "recordOffline");
}

bool ScanJournal::recordOfflineUndo(const OfflineEntry &entry) noexcept
{
    const bool written = appendRow(entry.typed, QStringLiteral("undone"), entry.conviteId,
                                   entry.serverTime.toString(InstantFormat), QString(), "recordOfflineUndo");
    if (written)
        m_own.erase(entry.conviteId);
    return written;
}

void ScanJournal::recordDelivered(const OfflineEntry &entry, const Value &serverEntry) noexcept
{
    const QDateTime held = serverInstant(serverEntry);
    appendRow(entry.typed, QStringLiteral("delivered"), entry.conviteId, held.toString(InstantFormat), QString(),
              "recordDelivered");
}

void ScanJournal::recordConflict(const OfflineEntry &entry, const Value &serverEntry) noexcept
{
    const QDateTime held = serverInstant(serverEntry);
    appendRow(entry.typed, QStringLiteral("conflict"), entry.conviteId,
              entry.serverTime.toString(InstantFormat) + QLatin1Char('/') + held.toString(InstantFormat), QString(),
              "recordConflict");
}

std::vector<OfflineEntry> ScanJournal::pendingOffline() const
{
    std::vector<OfflineEntry> pending;
    for (const JournalEntry &row : DeskJournal::pendingOffline(m_journal.path(), m_desk)) {
        OfflineEntry entry;
        entry.conviteId = int32_t(row.conviteId.value_or(0));
        entry.typed = row.entry;
        entry.deskTime = QDateTime::fromString(row.time, InstantFormat);
        entry.deskTime.setTimeSpec(Qt::UTC);
        entry.serverTime = QDateTime::fromString(row.entryTime, InstantFormat);
        entry.serverTime.setTimeSpec(Qt::UTC);
        if (entry.conviteId != 0 && entry.serverTime.isValid())
            pending.push_back(std::move(entry));
    }
    return pending;
}

std::optional<OfflineEntry> ScanJournal::pendingOffline(int32_t conviteId) const
{
    for (OfflineEntry &entry : pendingOffline())
        if (entry.conviteId == conviteId)
            return std::move(entry);
    return std::nullopt;
}

std::optional<qint64> ScanJournal::journalledClockOffsetMs() const
{
    const std::vector<JournalEntry> rows = DeskJournal::lastOfVerdict(m_journal.path(), m_desk,
                                                                      QStringLiteral("accepted"));
    if (rows.empty())
        return std::nullopt;
    QDateTime desk = QDateTime::fromString(rows.back().time, InstantFormat);
    QDateTime server = QDateTime::fromString(rows.back().entryTime, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!desk.isValid() || !server.isValid())
        return std::nullopt;
    desk.setTimeSpec(Qt::UTC);
    server.setTimeSpec(Qt::UTC);
    return desk.msecsTo(server);
}

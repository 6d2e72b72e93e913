#include "data/scanjournal.h"

#include "platform/errorreport.h"

#include <QDateTime>
#include <QSysInfo>

ScanJournal::ScanJournal(QString path) : m_journal(std::move(path)), m_desk(QSysInfo::machineHostName()) {}

QString ScanJournal::entryTimeText(const Value &entryTime)
{
    if (!entryTime.isDateValue() || entryTime == Value::zeroDate())
        return QString();
    return entryTime.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
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

        if (m_journal.append(entry)) {
            m_failureReported = false;
            return;
        }
        if (!m_failureReported) {
            m_failureReported = true;
            ErrorReporting::report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"),
                                    QStringLiteral("ScanJournal"), QStringLiteral("record"),
                                    m_journal.lastError()});
        }
    } catch (...) {
        // Nothing a journal does may reach the desk.
    }
}

#include "data/journalformat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace JournalFormat {

namespace {

const QString LineEnd = QStringLiteral("\r\n");

bool needsQuotes(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char(',') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

// A spreadsheet takes a cell that begins with one of these as a formula and runs it.
bool readsAsFormula(const QString &text)
{
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': return true;
    default: return false;
    }
}

} // namespace

QString csvField(const QString &text)
{
    const QString guarded = readsAsFormula(text) ? QLatin1Char('\'') + text : text;
    if (!needsQuotes(guarded))
        return guarded;
    QString quoted = guarded;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvHeader()
{
    return QStringLiteral("time,desk,entry,verdict,convite_id,entry_time") + LineEnd;
}

QString csvLine(const JournalEntry &entry)
{
    const QStringList fields{entry.time,
                             entry.desk,
                             entry.entry,
                             entry.verdict,
                             entry.conviteId ? QString::number(*entry.conviteId) : QString(),
                             entry.entryTime};
    QStringList quoted;
    for (const QString &f : fields)
        quoted << csvField(f);
    return quoted.join(QLatin1Char(',')) + LineEnd;
}

QByteArray jsonLine(const JournalEntry &entry)
{
    QJsonObject line;
    line.insert(QStringLiteral("time"), entry.time);
    line.insert(QStringLiteral("desk"), entry.desk);
    line.insert(QStringLiteral("entry"), entry.entry);
    line.insert(QStringLiteral("verdict"), entry.verdict);
    line.insert(QStringLiteral("convite_id"),
                entry.conviteId ? QJsonValue(qint64(*entry.conviteId)) : QJsonValue(QJsonValue::Null));
    line.insert(QStringLiteral("entry_time"),
                entry.entryTime.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(entry.entryTime));
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace JournalFormat

#include "data/guestsearch.h"

#include "data/displayformat.h"
#include "data/modcode.h"
#include "data/moddata.h"
#include "data/recordset.h"

namespace GuestSearch {

bool searchable(const QString &typed)
{
    return typed.trimmed().size() >= MinimumLength;
}

QString typedPattern(const QString &typed)
{
    QString text;
    for (const QChar c : typed) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
            text += QLatin1Char('[') + c + QLatin1Char(']');
        else
            text += c;
    }
    return text;
}

QString query(const QString &typed, Source source)
{
    // People type at a door without capitals or accents: both columns are matched through an
    // accent-insensitive collation, which the embedded store honours too.
    const QString pattern = modCode::SQLValue(Value(typedPattern(typed)), 6);
    const QString match = QStringLiteral(" COLLATE Latin1_General_CI_AI LIKE ");
    const bool copy = source == Source::LocalCopy;
    const QString order = copy ? QStringLiteral(" COLLATE SQL_Latin1_General_CP1_CI_AS") : QString();
    return QStringLiteral("SELECT TOP %1 %2convite_no, nome, no_tap, checked_in FROM %3 WHERE nome")
               .arg(MaxRows + 1)
               .arg(copy ? QStringLiteral("convite_id, ") : QString(),
                    copy ? QStringLiteral("invitations") : QStringLiteral("tbConvites"))
           + match + pattern + QStringLiteral(" OR no_tap") + match + pattern + QStringLiteral(" ORDER BY nome") + order
           + QStringLiteral(", convite_no") + order;
}

QString statusLine(const QString &text, Source source)
{
    if (source == Source::CheckIn)
        return text;
    const QString copy = QStringLiteral("(cópia local)");
    return text.isEmpty() ? copy : text + QLatin1Char(' ') + copy;
}

Result read(const ConnectionRef &connection, const QString &sql)
{
    Result result;
    Recordset rs;
    rs.Open(sql, connection);
    const bool withId = rs.fieldNames().contains(QStringLiteral("convite_id"), Qt::CaseInsensitive);
    while (!rs.Eof()) {
        if (int(result.rows.size()) == MaxRows) {
            result.more = true;
            break;
        }
        Row row;
        row.conviteNo = rs.Fields("convite_no").Value().toText();
        if (withId)
            row.conviteId = int32_t(rs.Fields("convite_id").Value().toLong());
        row.cells[0] = modData::ListField(rs, QStringLiteral("convite_no"), 3);
        row.cells[1] = modData::ListField(rs, QStringLiteral("nome"), 3);
        row.cells[2] = modData::ListField(rs, QStringLiteral("no_tap"), 3);
        row.cells[3] = modData::ListField(rs, QStringLiteral("checked_in"), 7);
        result.rows.push_back(std::move(row));
        rs.MoveNext();
    }
    rs.Close();
    return result;
}

void showOwnEntries(Result &result, const std::vector<OfflineEntry> &pending)
{
    for (Row &row : result.rows) {
        for (const OfflineEntry &entry : pending) {
            if (entry.conviteId == row.conviteId && row.conviteId != 0) {
                const Value time = Value::date(entry.serverTime.date(), entry.serverTime.time());
                row.cells[3] = DisplayFormat::format(time, DisplayFormat::dayTimePattern());
            }
        }
    }
}

} // namespace GuestSearch

#include "data/guestsearch.h"

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
    return QStringLiteral("SELECT TOP %1 convite_no, nome, no_tap, checked_in FROM %2 WHERE nome")
               .arg(MaxRows + 1)
               .arg(copy ? QStringLiteral("invitations") : QStringLiteral("tbConvites"))
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
    while (!rs.Eof()) {
        if (int(result.rows.size()) == MaxRows) {
            result.more = true;
            break;
        }
        Row row;
        row.conviteNo = rs.Fields("convite_no").Value().toText();
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

} // namespace GuestSearch

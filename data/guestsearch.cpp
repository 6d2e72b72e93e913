#include "data/guestsearch.h"

#include "data/modcode.h"
#include "data/moddata.h"
#include "data/recordset.h"

namespace GuestSearch {

bool searchable(const QString &typed)
{
    return typed.trimmed().size() >= MinimumLength;
}

QString query(const QString &typed)
{
    const QString pattern = modCode::SQLValue(Value(typed), 6);
    return QStringLiteral("SELECT TOP %1 convite_no, nome, no_tap, checked_in FROM tbConvites WHERE nome LIKE ")
               .arg(MaxRows + 1)
           + pattern + QStringLiteral(" OR no_tap LIKE ") + pattern + QStringLiteral(" ORDER BY nome, convite_no");
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

#include "data/checkinqueries.h"

#include "data/modcode.h"

namespace {

// A time to the millisecond in style 121 (the ODBC canonical form), from its own digits: never
// through the desk's time zone, which may have no such hour.
QString instantLiteral(const QDateTime &t)
{
    return QStringLiteral("CONVERT(DATETIME,'") + t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
           + QStringLiteral("',121)");
}

} // namespace

QString CheckinQueries::invitation(const QString &trimmedEntry)
{
    return QStringLiteral("SELECT convite_id, socio_id, no_tap, nome, call_in, base_dados, checked_in "
                          "FROM tbConvites WHERE convite_no = ")
           + modCode::SQLValue(Value(trimmedEntry), 3);
}

QString CheckinQueries::memberById(int32_t memberId)
{
    return QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE contacto_id = ")
           + modCode::SQLValue(Value(memberId), 2);
}

QString CheckinQueries::memberByCompanyNumber(const QString &companyNumber)
{
    return QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE no_empresa = ")
           + modCode::SQLValue(Value(companyNumber), 3);
}

QString CheckinQueries::photographOwner(const QString &companyNumber)
{
    return QStringLiteral("SELECT tbContactos_Fotos.path, tbAssociados.contacto_id FROM tbContactos_Fotos "
                          "LEFT JOIN tbAssociados ON tbContactos_Fotos.contacto_id = tbAssociados.contacto_id "
                          "WHERE no_empresa = ")
           + modCode::SQLValue(Value(companyNumber), 3);
}

QString CheckinQueries::archiveFolder()
{
    return QStringLiteral("SELECT TOP 1 arquivodocumental FROM tbDefs");
}

QString CheckinQueries::acceptEntry(int32_t conviteId)
{
    return QStringLiteral("UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = ")
           + QString::number(conviteId) + QStringLiteral(" AND checked_in IS NULL");
}

QString CheckinQueries::entryTime(int32_t conviteId)
{
    return QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_id = ") + QString::number(conviteId);
}

QString CheckinQueries::serverClock()
{
    return QStringLiteral("SELECT GETDATE() AS agora");
}

QString CheckinQueries::entryTimeAndClock(int32_t conviteId)
{
    return QStringLiteral("SELECT checked_in, GETDATE() AS agora FROM tbConvites WHERE convite_id = ")
           + QString::number(conviteId);
}

QString CheckinQueries::undoEntry(int32_t conviteId, const Value &writtenEntryTime)
{
    // SQL Server keeps a DATETIME in 1/300 s ticks, so the time read back in milliseconds (style
    // 121, the ODBC canonical form) may sit up to a tick off the stored one: a window of 3 ms
    // either side still tells this desk's entry from any entry made since.
    // Reckoned on the time as it stands (UTC has no gaps), never through the local time zone.
    QDate date;
    QTime time;
    writtenEntryTime.toDateParts(&date, &time);
    const QDateTime written(date, time, Qt::UTC);
    return QStringLiteral("UPDATE tbConvites SET checked_in = null WHERE convite_id = ") + QString::number(conviteId)
           + QStringLiteral(" AND checked_in BETWEEN ") + instantLiteral(written.addMSecs(-3)) + QStringLiteral(" AND ")
           + instantLiteral(written.addMSecs(3));
}

QString CheckinQueries::deliverEntry(int32_t conviteId, const QDateTime &serverTime)
{
    const QDateTime asGiven(serverTime.date(), serverTime.time(), Qt::UTC);
    return QStringLiteral("UPDATE tbConvites SET checked_in = ") + instantLiteral(asGiven)
           + QStringLiteral(" WHERE convite_id = ") + modCode::SQLValue(Value(conviteId), 2)
           + QStringLiteral(" AND checked_in IS NULL");
}

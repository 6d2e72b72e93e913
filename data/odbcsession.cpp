#include "data/odbcsession.h"

#include "data/dberror.h"
#include "data/odbcrowreader.h"
#include "data/sqlserverodbc.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>

#include <atomic>
#include <deque>

namespace {

// The server's message without the driver's "[FreeTDS][SQL Server]" tags.
ProviderFailure fromSqlError(int32_t number, const QSqlError &error)
{
    static const QRegularExpression tags(
        QStringLiteral("(\\[(FreeTDS|unixODBC|Microsoft|SQL Server|ODBC)[^\\]]*\\])+\\s*"));
    QString message = error.databaseText().trimmed();
    if (message.isEmpty())
        message = error.text().trimmed();
    message.remove(tags);
    bool ok = false;
    const int native = error.nativeErrorCode().section(QLatin1Char(';'), 0, 0).toInt(&ok);
    return ProviderFailure{number, message, error.nativeErrorCode(), ok ? native : 0};
}

// The rows of one query, read to the end when the query runs. FreeTDS serves one active
// statement per connection, so the statement is released at once and the connection stays
// free for the next command while the recordset is read (as SQLOLEDB's firehose would).
class OdbcCursor : public ProviderCursor
{
public:
    explicit OdbcCursor(QSqlQuery &query)
    {
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i)
            m_names << record.fieldName(i);
        // QODBC fetches the rows; their values are read from its statement handle.
        const QVariant statement = query.result()->handle();
        if (!statement.isValid() || !statement.constData())
            throw ProviderFailure{AdoError::CommandRejected, QStringLiteral("QODBC gave no statement handle."), QString(), 0};
        OdbcRowReader reader(*static_cast<void *const *>(statement.constData()), int(m_names.size()));
        while (query.next())
            m_rows.push_back(reader.read());
        const QSqlError error = query.lastError();
        if (error.isValid())
            throw fromSqlError(AdoError::CommandRejected, error);
    }

    QStringList fieldNames() const override { return m_names; }

    bool fetch(std::vector<Value> &row) override
    {
        if (m_rows.empty())
            return false;
        row = std::move(m_rows.front());
        m_rows.pop_front();
        return true;
    }

private:
    QStringList m_names;
    std::deque<std::vector<Value>> m_rows;
};

} // namespace

std::shared_ptr<OdbcSession> OdbcSession::open(const ConnectionStringParts &parts, const QString &user,
                                               const QString &password)
{
    static std::atomic<quint64> counter{0};
    const QString name = QStringLiteral("quorvet-odbc-%1").arg(++counter);
    std::shared_ptr<OdbcSession> session(new OdbcSession(name));
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        if (!db.isValid())
            throw ProviderFailure{AdoError::ProviderNotFound, AdoError::text(AdoError::ProviderNotFound), QString(), 0};
        QString problem;
        const QString odbc =
            SqlServerOdbc::odbcConnectionString(parts, SqlServerOdbc::freeTdsDriver(), user, password, &problem);
        if (!problem.isEmpty())
            throw ProviderFailure{AdoError::OpenFailed, problem, QString(), 0};
        // QODBC reads any string containing ".dsn" as a file DSN, whatever else it holds.
        if (odbc.contains(QLatin1String(".dsn"), Qt::CaseInsensitive))
            throw ProviderFailure{AdoError::OpenFailed,
                                  QStringLiteral("Os valores da cadeia de ligação não podem conter \".dsn\"."), QString(), 0};
        db.setDatabaseName(odbc);
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(SqlServerOdbc::loginTimeoutSeconds(parts)));
        if (db.open())
            return session;
        error = db.lastError();
    }
    throw fromSqlError(AdoError::OpenFailed, error);
}

OdbcSession::~OdbcSession()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

std::unique_ptr<ProviderCursor> OdbcSession::execute(const QString &sql, int64_t *affected)
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    *affected = -1;
    if (!query.exec(sql))
        throw fromSqlError(AdoError::CommandRejected, query.lastError());
    if (query.isSelect())
        return std::make_unique<OdbcCursor>(query);
    *affected = query.numRowsAffected();
    return nullptr;
}

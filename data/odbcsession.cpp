#include "data/odbcsession.h"

#include "data/connectdeadline.h"
#include "data/dberror.h"
#include "data/odbcrowreader.h"
#include "data/sqlserverodbc.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
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
            throw ProviderFailure{AdoError::CommandRejected, QStringLiteral("QODBC gave no statement handle."),
                                  QString(), 0};
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

// The server as the connection string names it, for the connect deadline's record.
QString serverOf(const ConnectionStringParts &parts)
{
    for (const char *key : {"Data Source", "Server", "Address", "Addr"})
        if (parts.contains(QString::fromLatin1(key)))
            return parts.value(QString::fromLatin1(key));
    return QString();
}

// Under a connect deadline: a server already found not answering is not waited for again.
void refuseWhenNotAnswering(const QString &server)
{
    if (const ConnectDeadline *deadline = ConnectDeadline::current(); deadline && deadline->notAnswering(server))
        throw ProviderFailure{AdoError::OpenFailed,
                              QStringLiteral("O servidor não respondeu dentro do tempo de ligação."),
                              QStringLiteral("HYT00"), 0};
}

// A call that failed after waiting (nearly) its whole time-out met a server that does not answer.
void noteTimeOut(const QString &server, const QElapsedTimer &clock, int timeoutSeconds)
{
    if (ConnectDeadline *deadline = ConnectDeadline::current(); deadline && clock.elapsed() >= timeoutSeconds * 900)
        deadline->markNotAnswering(server);
}

} // namespace

// The rows of a statement run on a handle of our own.
struct OdbcSession::RowsCursor : ProviderCursor
{
    QStringList names;
    std::deque<std::vector<Value>> rows;

    QStringList fieldNames() const override { return names; }
    bool fetch(std::vector<Value> &row) override
    {
        if (rows.empty())
            return false;
        row = std::move(rows.front());
        rows.pop_front();
        return true;
    }
};

std::shared_ptr<OdbcSession> OdbcSession::open(const ConnectionStringParts &parts, const QString &user,
                                               const QString &password)
{
    static std::atomic<quint64> counter{0};
    const QString name = QStringLiteral("quorvet-odbc-%1").arg(++counter);
    const QString server = serverOf(parts);
    refuseWhenNotAnswering(server);
    std::shared_ptr<OdbcSession> session(new OdbcSession(name, server));
    int loginTimeout = SqlServerOdbc::loginTimeoutSeconds(parts);
    if (const ConnectDeadline *deadline = ConnectDeadline::current())
        loginTimeout = std::min(loginTimeout, deadline->remainingSeconds());
    QElapsedTimer clock;
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        if (!db.isValid())
            throw ProviderFailure{AdoError::ProviderNotFound, AdoError::text(AdoError::ProviderNotFound), QString(), 0};
        QString problem;
        const QString odbc = SqlServerOdbc::odbcConnectionString(parts, SqlServerOdbc::freeTdsDriver(), user, password,
                                                                 &problem);
        if (!problem.isEmpty())
            throw ProviderFailure{AdoError::OpenFailed, problem, QString(), 0};
        // QODBC reads any string containing ".dsn" as a file DSN, whatever else it holds.
        if (odbc.contains(QLatin1String(".dsn"), Qt::CaseInsensitive))
            throw ProviderFailure{AdoError::OpenFailed,
                                  QStringLiteral("Os valores da cadeia de ligação não podem conter \".dsn\"."),
                                  QString(), 0};
        db.setDatabaseName(odbc);
        db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(loginTimeout));
        clock.start();
        if (db.open())
            return session;
        error = db.lastError();
    }
    noteTimeOut(server, clock, loginTimeout);
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
    *affected = -1;
    if (const ConnectDeadline *deadline = ConnectDeadline::current()) {
        refuseWhenNotAnswering(m_server);
        // Bounded by the deadline: FreeTDS waits a statement's time-out once more for the
        // answer to its cancel before it gives the link up, so each wait gets half of what is left.
        const int timeout = std::max(1, deadline->remainingSeconds() / 2);
        QElapsedTimer clock;
        clock.start();
        try {
            return executeBounded(sql, affected, timeout);
        } catch (const ProviderFailure &) {
            noteTimeOut(m_server, clock, timeout);
            throw;
        }
    }
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw fromSqlError(AdoError::CommandRejected, query.lastError());
    if (query.isSelect())
        return std::make_unique<OdbcCursor>(query);
    *affected = query.numRowsAffected();
    return nullptr;
}

std::unique_ptr<ProviderCursor> OdbcSession::executeBounded(const QString &sql, int64_t *affected, int timeoutSeconds)
{
    // A statement handle of our own on QODBC's connection, for its time-out to be set before it
    // runs (QODBC sets none, and its prepared statements go to the server as RPCs).
    const QSqlDatabase db = QSqlDatabase::database(m_name, false);
    const QVariant connection = db.isValid() ? db.driver()->handle() : QVariant();
    if (!connection.isValid() || !connection.constData())
        throw ProviderFailure{AdoError::CommandRejected, QStringLiteral("QODBC gave no connection handle."), QString(),
                              0};
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, *static_cast<SQLHDBC const *>(connection.constData()), &stmt)))
        throw ProviderFailure{AdoError::CommandRejected, QStringLiteral("No statement handle."), QString(), 0};
    const std::unique_ptr<void, void (*)(void *)> release(stmt, [](void *h) { SQLFreeHandle(SQL_HANDLE_STMT, h); });
    const auto failure = [stmt] {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        QString message = QStringLiteral("Statement failed.");
        QString sqlState;
        if (SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, stmt, 1, state, &native, text, 1023, &length))) {
            static const QRegularExpression tags(
                QStringLiteral("(\\[(FreeTDS|unixODBC|Microsoft|SQL Server|ODBC)[^\\]]*\\])+\\s*"));
            message = QString::fromUtf16(reinterpret_cast<const char16_t *>(text), std::min<int>(length, 1023));
            message.remove(tags);
            sqlState = QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5);
        }
        return ProviderFailure{AdoError::CommandRejected, message.trimmed(), sqlState, int32_t(native)};
    };
    SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(timeoutSeconds)),
                   SQL_IS_UINTEGER);
    const SQLRETURN r = SQLExecDirectW(
        stmt, reinterpret_cast<SQLWCHAR *>(const_cast<char16_t *>(reinterpret_cast<const char16_t *>(sql.utf16()))),
        SQLINTEGER(sql.size()));
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA)
        throw failure();
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    if (columns == 0) {
        SQLLEN rows = -1;
        SQLRowCount(stmt, &rows);
        *affected = rows;
        return nullptr;
    }
    auto cursor = std::make_unique<RowsCursor>();
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(columns); ++i) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeColW(stmt, i, name, 255, &length, &type, &size, &digits, &nullable);
        cursor->names << QString::fromUtf16(reinterpret_cast<const char16_t *>(name), std::min<int>(length, 255));
    }
    OdbcRowReader reader(stmt, columns);
    SQLRETURN f;
    while (SQL_SUCCEEDED(f = SQLFetch(stmt)))
        cursor->rows.push_back(reader.read());
    if (f != SQL_NO_DATA)
        throw failure();
    return cursor;
}

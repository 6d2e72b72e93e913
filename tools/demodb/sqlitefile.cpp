#include "tools/demodb/sqlitefile.h"

#include "data/sqlservercollation.h"
#include "platform/runtimeerror.h"

#include <sqlite3.h>

SqliteFile::SqliteFile(const QString &path) : m_path(path)
{
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(ErrorNumber::ProviderError, QStringLiteral("cannot open %1: %2").arg(path, message));
    }
    sqlite3_extended_result_codes(m_db, 1);
    // The schema declares its text columns with SQL Server's collation.
    if (SqlServerCollation::addTo(m_db) != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(ErrorNumber::ProviderError, QStringLiteral("cannot open %1: collations").arg(path));
    }
}

SqliteFile::~SqliteFile()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void SqliteFile::fail(const QString &what) const
{
    const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database closed");
    throw RuntimeError(ErrorNumber::ProviderError, QStringLiteral("%1: %2 (%3)").arg(m_path, message, what));
}

void SqliteFile::exec(const QByteArray &sql)
{
    if (!m_db)
        fail(QString::fromUtf8(sql));
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        throw RuntimeError(ErrorNumber::ProviderError,
                           QStringLiteral("%1: %2 (%3)").arg(m_path, message, QString::fromUtf8(sql.left(200))));
    }
}

SqliteStatement SqliteFile::prepare(const QByteArray &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (!m_db || sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sql));
    return SqliteStatement(*this, statement);
}

void SqliteFile::close()
{
    if (m_db && sqlite3_close(m_db) != SQLITE_OK)
        fail(QStringLiteral("close"));
    m_db = nullptr;
}

SqliteStatement::SqliteStatement(SqliteFile &file, sqlite3_stmt *statement) : m_file(&file), m_statement(statement)
{
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_file(other.m_file), m_statement(other.m_statement)
{
    other.m_statement = nullptr;
}

void SqliteStatement::bind(int index, int64_t value)
{
    if (sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK)
        m_file->fail(QStringLiteral("bind %1").arg(index));
}

void SqliteStatement::bind(int index, const QByteArray &utf8)
{
    bind(index, utf8.constData(), int(utf8.size()));
}

void SqliteStatement::bind(int index, const char *utf8, int length)
{
    if (sqlite3_bind_text(m_statement, index, utf8, length, SQLITE_TRANSIENT) != SQLITE_OK)
        m_file->fail(QStringLiteral("bind %1").arg(index));
}

void SqliteStatement::bindNull(int index)
{
    if (sqlite3_bind_null(m_statement, index) != SQLITE_OK)
        m_file->fail(QStringLiteral("bind %1").arg(index));
}

void SqliteStatement::run()
{
    const int rc = sqlite3_step(m_statement);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        m_file->fail(QString::fromUtf8(sqlite3_sql(m_statement))); // the destructor finalizes it
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

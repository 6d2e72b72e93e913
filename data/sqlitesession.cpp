#include "data/sqlitesession.h"

#include "data/datetext.h"
#include "data/dberror.h"
#include "data/sqlitevalue.h"
#include "data/sqlservercollation.h"
#include "data/tsqltranslator.h"
#include "data/walcheckpointer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

void getDate(sqlite3_context *context, int, sqlite3_value **)
{
    const QByteArray now = DateText::datetimeText(QDateTime::currentDateTime()).toUtf8();
    sqlite3_result_text(context, now.constData(), int(now.size()), SQLITE_TRANSIENT);
}

// SERVERPROPERTY(name): what a pre-flight check asks a server about itself. Text compares
// as SQL Server's default collation, which is the one named; other properties are Null.
void serverProperty(sqlite3_context *context, int, sqlite3_value **argv)
{
    const QString name
        = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0]))).trimmed().toLower();
    QByteArray value;
    if (name == QLatin1String("collation"))
        value = "SQL_Latin1_General_CP1_CI_AS";
    else if (name == QLatin1String("productversion"))
        value = sqlite3_libversion();
    else if (name == QLatin1String("edition"))
        value = "Quorvet embedded store";
    if (value.isEmpty())
        sqlite3_result_null(context);
    else
        sqlite3_result_text(context, value.constData(), int(value.size()), SQLITE_TRANSIENT);
}

ProviderFailure openFailure(const QString &message)
{
    return ProviderFailure{AdoError::OpenFailed, message, QString(), 0};
}

// Whether the statement changes rows, so that sqlite3_changes() speaks for it.
bool changesRows(sqlite3_stmt *stmt)
{
    for (const TSqlTranslator::Token &t : TSqlTranslator::tokenize(QString::fromUtf8(sqlite3_sql(stmt)))) {
        if (t.kind != TSqlTranslator::TokenKind::Word)
            continue;
        const QString w = t.text.toUpper();
        return w == QLatin1String("INSERT") || w == QLatin1String("UPDATE") || w == QLatin1String("DELETE")
               || w == QLatin1String("REPLACE") || w == QLatin1String("WITH");
    }
    return false;
}

// Rows of one prepared statement; finalizes it at the end or when dropped.
class SqliteCursor : public ProviderCursor
{
public:
    SqliteCursor(std::shared_ptr<SqliteSession> session, sqlite3_stmt *stmt)
        : m_session(std::move(session)), m_stmt(stmt)
    {
        const int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            m_names << QString::fromUtf8(sqlite3_column_name(stmt, i));
            const char *declared = sqlite3_column_decltype(stmt, i);
            m_declared << (declared ? QString::fromUtf8(declared) : QString());
        }
    }
    ~SqliteCursor() override { sqlite3_finalize(m_stmt); }

    QStringList fieldNames() const override { return m_names; }

    bool fetch(std::vector<Value> &row) override
    {
        if (!m_stmt)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            row.resize(size_t(m_names.size()));
            for (int i = 0; i < m_names.size(); ++i)
                row[size_t(i)] = SqliteValue::fromColumn(m_stmt, i, m_declared.at(i));
            return true;
        }
        sqlite3_finalize(m_stmt); // ends the read transaction at once
        m_stmt = nullptr;
        if (rc == SQLITE_DONE)
            return false;
        throw m_session->failure(AdoError::CommandRejected, rc);
    }

private:
    std::shared_ptr<SqliteSession> m_session;
    sqlite3_stmt *m_stmt;
    QStringList m_names;
    QStringList m_declared;
};

// Whether the file is long enough to hold the 100-byte header of an SQLite database. SQLite
// itself takes a shorter file (a truncated copy, an empty file) for a new database and writes
// one into it: such a file is refused and left as it is. A file with another header is refused
// by SQLite's own first read ("file is not a database"). Only the size is asked (a stat, never
// an open): closing any other descriptor of a database file would drop the locks that this
// process's open connections hold on it.
constexpr qint64 DatabaseHeaderBytes = 100;

bool canHoldDatabase(const QFileInfo &file)
{
    return file.size() >= DatabaseHeaderBytes;
}

// The files of an Attach value: separated by ',', each one may be written in double quotes
// ("" inside standing for one) so that a path holding a comma stays one path.
QStringList attachedFiles(const QString &text)
{
    QStringList files;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                current += c;
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == QLatin1Char(',') && !quoted) {
            files << current;
            current.clear();
        } else {
            current += c;
        }
    }
    files << current;
    return files;
}

} // namespace

std::shared_ptr<SqliteSession> SqliteSession::open(const ConnectionStringParts &parts)
{
    const QString source = parts.value(QStringLiteral("Data Source")).trimmed();
    if (source.isEmpty())
        throw openFailure(QStringLiteral("Data Source em falta na cadeia de ligação."));
    const QFileInfo file(source);
    // Opening never creates a database: a missing file is a server that cannot be reached.
    if (!file.isFile())
        throw openFailure(QStringLiteral("unable to open database file: %1").arg(file.absoluteFilePath()));
    if (!canHoldDatabase(file))
        throw openFailure(QStringLiteral("file is not a database: %1").arg(file.absoluteFilePath()));

    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(file.absoluteFilePath()).constData(), &db, SQLITE_OPEN_READWRITE,
                             nullptr);
    std::shared_ptr<SqliteSession> session(new SqliteSession(db));
    if (rc != SQLITE_OK)
        throw openFailure(QStringLiteral("%1: %2").arg(QString::fromUtf8(sqlite3_errmsg(db)), file.absoluteFilePath()));
    session->noteFile(file.absoluteFilePath());
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    rc = sqlite3_create_function_v2(db, "GETDATE", 0, SQLITE_UTF8, nullptr, getDate, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "SERVERPROPERTY", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        serverProperty, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = SqlServerCollation::addTo(db);
    if (rc != SQLITE_OK)
        throw session->failure(AdoError::OpenFailed, rc);
    // WAL lets one desk read while another writes; this also proves the file is a database.
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if ((rc & 0xff) == SQLITE_NOTADB)
        throw openFailure(QStringLiteral("file is not a database: %1").arg(file.absoluteFilePath()));
    if (rc != SQLITE_OK)
        throw session->failure(AdoError::OpenFailed, rc);
    // Commits sync the WAL (synchronous FULL, SQLite's default, for an entry that must survive a
    // power cut) but leave the checkpoint, which syncs the whole database file, to another thread.
    session->m_checkpointer = WalCheckpointer::shared();
    session->m_checkpointer->watch(db);
    QSet<QString> schemas{QStringLiteral("main"), QStringLiteral("temp")};
    const QStringList attach = attachedFiles(parts.value(QStringLiteral("Attach")));
    for (const QString &entry : attach) {
        const QFileInfo extra(entry.trimmed());
        if (entry.trimmed().isEmpty())
            continue;
        // ATTACH of a missing file would create an empty database; refuse it first.
        if (!extra.isFile())
            throw openFailure(QStringLiteral("unable to open database file: %1").arg(extra.absoluteFilePath()));
        if (!canHoldDatabase(extra))
            throw openFailure(QStringLiteral("file is not a database: %1").arg(extra.absoluteFilePath()));
        session->noteFile(extra.absoluteFilePath());
        QString schema = extra.completeBaseName();
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!plain.match(schema).hasMatch() || schemas.contains(schema.toLower()))
            schema = QStringLiteral("attached%1").arg(schemas.size() - 1);
        schemas.insert(schema.toLower());
        const QByteArray sql = "ATTACH DATABASE ?1 AS \"" + schema.toUtf8() + "\"";
        sqlite3_stmt *stmt = nullptr;
        rc = sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            const QByteArray path = QFile::encodeName(extra.absoluteFilePath());
            sqlite3_bind_text(stmt, 1, path.constData(), int(path.size()), SQLITE_TRANSIENT);
            rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        }
        sqlite3_finalize(stmt);
        // ATTACH reads nothing yet: read the schema now, so that a file with another header is
        // refused here rather than at the first query that names one of its tables.
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db, ("SELECT count(*) FROM \"" + schema.toUtf8() + "\".sqlite_master").constData(),
                              nullptr, nullptr, nullptr);
        if ((rc & 0xff) == SQLITE_NOTADB)
            throw openFailure(QStringLiteral("file is not a database: %1").arg(extra.absoluteFilePath()));
        if (rc != SQLITE_OK)
            throw session->failure(AdoError::OpenFailed, rc);
    }
    return session;
}

void SqliteSession::noteFile(const QString &path)
{
    OpenedFile opened{QFile::encodeName(path)};
    struct stat info;
    if (::stat(opened.path.constData(), &info) == 0) {
        opened.device = quint64(info.st_dev);
        opened.inode = quint64(info.st_ino);
    }
    m_files.push_back(std::move(opened));
}

bool SqliteSession::stillCurrent() const
{
    for (const OpenedFile &file : m_files) {
        struct stat info;
        if (::stat(file.path.constData(), &info) != 0 || quint64(info.st_dev) != file.device
            || quint64(info.st_ino) != file.inode || info.st_size < DatabaseHeaderBytes)
            return false;
    }
    return true;
}

SqliteSession::~SqliteSession()
{
    sqlite3_close_v2(m_db);
}

ProviderFailure SqliteSession::failure(int32_t number, int resultCode) const
{
    QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    if (message.isEmpty())
        message = QString::fromUtf8(sqlite3_errstr(resultCode));
    return ProviderFailure{number, message, QString(), resultCode};
}

std::unique_ptr<ProviderCursor> SqliteSession::execute(const QString &sql, int64_t *affected)
{
    const QByteArray text = TSqlTranslator::toSqliteWithServerCollation(sql).toUtf8();
    const char *tail = text.constData();
    const char *const end = text.constData() + text.size();
    *affected = -1;
    // A batch runs statement by statement; the rows of the last one are returned.
    while (tail < end) {
        sqlite3_stmt *stmt = nullptr;
        const int rc = sqlite3_prepare_v2(m_db, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            throw failure(AdoError::CommandRejected, rc);
        }
        if (!stmt)
            continue; // only blanks or comments were left
        bool more = false;
        for (const char *p = tail; p < end && !more; ++p)
            more = !QChar::isSpace(uchar(*p));
        if (sqlite3_column_count(stmt) > 0 && !more) {
            auto self = std::static_pointer_cast<SqliteSession>(shared_from_this());
            return std::make_unique<SqliteCursor>(self, stmt);
        }
        int step;
        while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {}
        const bool counts = changesRows(stmt);
        sqlite3_finalize(stmt);
        if (step != SQLITE_DONE)
            throw failure(AdoError::CommandRejected, step);
        if (counts)
            *affected = (*affected < 0 ? 0 : *affected) + sqlite3_changes64(m_db);
    }
    return nullptr;
}

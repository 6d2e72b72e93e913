#include "data/localreplica.h"

#include "data/connectionstringparts.h"
#include "data/deskjournal.h"
#include "data/recordset.h"
#include "data/sqlitevalue.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The copy's schema. Texts compare as SQL Server's default collation does for the keys the
// check-in looks up: without case and without trailing blanks (the keys are stored trimmed).
const char *const Schema = R"(
CREATE TABLE IF NOT EXISTS copy (id INTEGER PRIMARY KEY CHECK (id = 1), copied_at TEXT NOT NULL,
    entries_at TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS invitations (convite_id INTEGER PRIMARY KEY, convite_no TEXT,
    convite_key TEXT COLLATE NOCASE, socio_id INTEGER, no_tap TEXT, nome TEXT, call_in TEXT,
    base_dados INTEGER, checked_in DATETIME, member_source INTEGER NOT NULL DEFAULT 0,
    member_id INTEGER NOT NULL DEFAULT 0, nome_union, no_empresa, no_socio, dnascimento DATETIME, empresa,
    base, morada, localidade);
CREATE INDEX IF NOT EXISTS invitations_no ON invitations (convite_key);
CREATE INDEX IF NOT EXISTS invitations_entry ON invitations (checked_in);
)";

// The member rows of one fill, on the fill's own connection only (never in the file).
const char *const Staging = R"(
CREATE TEMP TABLE members (organisation INTEGER, contacto_id INTEGER, company_key TEXT COLLATE NOCASE,
    nome_union, no_empresa, no_socio, dnascimento, empresa, base, morada, localidade);
CREATE TEMP TABLE raw (convite_id INTEGER PRIMARY KEY, convite_no, socio_id, no_tap, nome, call_in,
    base_dados, checked_in);
)";

// The check-in's member lookup over the staged rows: by id in the issuing organisation, then by
// company number in ZELMAR, then KORDA; the first row of each query, as the desk reads it.
const char *const Resolve = R"(
CREATE INDEX temp.members_id ON members (organisation, contacto_id);
CREATE INDEX temp.members_company ON members (organisation, company_key);
DELETE FROM main.invitations;
INSERT INTO main.invitations
SELECT r.convite_id, r.convite_no, rtrim(r.convite_no), r.socio_id, r.no_tap, r.nome, r.call_in, r.base_dados,
       r.checked_in, coalesce(m.organisation, 0), coalesce(m.contacto_id, 0), m.nome_union, m.no_empresa,
       m.no_socio, m.dnascimento, m.empresa, m.base, m.morada, m.localidade
FROM (SELECT r.*, CASE WHEN coalesce(r.socio_id, 0) = 0 OR coalesce(r.base_dados, 0) NOT IN (1, 2) THEN NULL
        ELSE coalesce(
          (SELECT rowid FROM members WHERE organisation = r.base_dados AND contacto_id = r.socio_id
           ORDER BY rowid LIMIT 1),
          (SELECT rowid FROM members WHERE organisation = 1 AND company_key = rtrim(r.no_tap)
           AND rtrim(r.no_tap) <> '' ORDER BY rowid LIMIT 1),
          (SELECT rowid FROM members WHERE organisation = 2 AND company_key = rtrim(r.no_tap)
           AND rtrim(r.no_tap) <> '' ORDER BY rowid LIMIT 1)) END AS member_row
      FROM raw r) r
LEFT JOIN members m ON m.rowid = r.member_row;
)";

QString nowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

class Db
{
public:
    Db(const QString &path, bool readOnly) : m_path(path)
    {
        const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            // No destructor runs for a constructor that throws.
            const QString message = m_path + QStringLiteral(": ")
                                    + QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw RuntimeError(-2147467259, message);
        }
        sqlite3_busy_timeout(m_db, 2000);
    }
    ~Db() { sqlite3_close_v2(m_db); }
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    [[noreturn]] void fail() const
    {
        throw RuntimeError(-2147467259, m_path + QStringLiteral(": ")
                                            + QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory"));
    }
    void exec(const char *sql) const
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    sqlite3_stmt *prepare(const char *sql) const
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            fail();
        return stmt;
    }
    void stepDone(sqlite3_stmt *stmt) const
    {
        if (sqlite3_step(stmt) != SQLITE_DONE)
            fail();
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
    sqlite3 *handle() const { return m_db; }
    // The local store's own long steps (resolving a million invitations) end early, with an
    // error, once the flag is set.
    void interruptWhen(const std::atomic<bool> *flag) const
    {
        if (flag)
            sqlite3_progress_handler(
                m_db, 1000, [](void *f) { return static_cast<const std::atomic<bool> *>(f)->load() ? 1 : 0; },
                const_cast<std::atomic<bool> *>(flag));
    }

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

struct Statement
{
    sqlite3_stmt *stmt;
    ~Statement() { sqlite3_finalize(stmt); }
};

// Rolls back a transaction that did not reach its commit.
struct Transaction
{
    const Db &db;
    bool committed = false;
    explicit Transaction(const Db &d) : db(d) { db.exec("BEGIN IMMEDIATE"); }
    void commit()
    {
        db.exec("COMMIT");
        committed = true;
    }
    ~Transaction()
    {
        if (!committed)
            sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
};

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

// A Decimal without a fraction that a 64-bit integer holds (a NUMERIC(18,0) key), as that integer.
bool wholeDecimal(const Value &v, int64_t *whole)
{
    if (v.kind() != Value::Kind::Decimal)
        return false;
    const DecimalNumber &n = v.decimalValue();
    const QString digits = n.integerDigits();
    if (n.rounded(0, DecimalNumber::Rounding::HalfEven) != n || digits.size() > 18)
        return false;
    *whole = n.isNegative() ? -digits.toLongLong() : digits.toLongLong();
    return true;
}

void bindValue(sqlite3_stmt *stmt, int index, const Value &v)
{
    int64_t whole = 0;
    if (wholeDecimal(v, &whole)) {
        sqlite3_bind_int64(stmt, index, whole);
        return;
    }
    switch (v.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null: sqlite3_bind_null(stmt, index); break;
    case Value::Kind::String: bindText(stmt, index, v.stringValue()); break;
    case Value::Kind::Date:
        bindText(stmt, index,
                 v.dateValue().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
                     + v.timeValue().toString(QStringLiteral("HH:mm:ss.zzz")));
        break;
    case Value::Kind::Boolean:
    case Value::Kind::Integer:
    case Value::Kind::Long: sqlite3_bind_int64(stmt, index, int64_t(v.numberValue())); break;
    default: sqlite3_bind_double(stmt, index, v.numberValue()); break;
    }
}

// The copy's folder: made 0700 when missing, refused when others may read or enter it.
void prepareFolder(const QString &path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        const QStringList parts = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString sofar;
        for (const QString &part : parts) {
            sofar += QLatin1Char('/') + part;
            if (!QFileInfo::exists(sofar) && ::mkdir(QFile::encodeName(sofar).constData(), 0700) != 0)
                throw RuntimeError(75, sofar + QStringLiteral(": the folder cannot be made"));
        }
    }
    struct stat st = {};
    const QByteArray folderName = QFile::encodeName(folder);
    // The desk's own state folder may have been made before, for the journal, with the
    // usual umask: the desk's user owns it, so it is closed to others here.
    if (::stat(folderName.constData(), &st) == 0 && (st.st_mode & 077) != 0 && st.st_uid == ::geteuid()
        && folder == QFileInfo(LocalReplica::defaultPath()).absolutePath()
        && qEnvironmentVariableIsEmpty("QUORVET_REPLICA"))
        ::chmod(folderName.constData(), 0700);
    if (::stat(folderName.constData(), &st) != 0 || (st.st_mode & 077) != 0)
        throw RuntimeError(75, folder
                                   + QStringLiteral(": other users can read this folder; the local copy is kept "
                                                    "only in a folder of mode 0700"));
    const QByteArray file = QFile::encodeName(path);
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw RuntimeError(75, path + QStringLiteral(": the local copy cannot be created"));
    ::fchmod(fd, 0600);
    ::close(fd);
}

void configure(const Db &db)
{
    // WAL: the desk reads the last whole copy while a fill writes the next one.
    db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA temp_store=FILE");
    db.exec(Schema);
}

// Column index of `name` in a result set, -1 when the view has no such column.
int columnIndex(const QStringList &names, const QString &name)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int64_t count(const QString &sql, const ConnectionRef &connection)
{
    Recordset rs;
    rs.Open(sql, connection);
    const int64_t n = rs.Eof() ? 0 : int64_t(rs.Fields(0).Value().toDouble());
    rs.Close();
    return n;
}

QString entryLiteral(const QDateTime &t)
{
    return QStringLiteral("CONVERT(DATETIME,'") + t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
           + QStringLiteral("',121)");
}

} // namespace

const QStringList &LocalReplica::panelColumns()
{
    static const QStringList columns{QStringLiteral("nome_union"), QStringLiteral("no_empresa"),
                                     QStringLiteral("no_socio"),   QStringLiteral("dnascimento"),
                                     QStringLiteral("empresa"),    QStringLiteral("base"),
                                     QStringLiteral("morada"),     QStringLiteral("localidade")};
    return columns;
}

LocalReplica::LocalReplica(QString path) : m_path(std::move(path))
{
}

QString LocalReplica::defaultPath()
{
    const QString explicitPath = qEnvironmentVariable("QUORVET_REPLICA");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorvet/replica.db");
}

QString LocalReplica::connectionString() const
{
    return QStringLiteral("Provider=SQLite;Data Source=") + ConnectionStringParts::quoted(m_path);
}

bool LocalReplica::enabled()
{
    return qEnvironmentVariable("QUORVET_OFFLINE").compare(QLatin1String("off"), Qt::CaseInsensitive) != 0;
}

bool LocalReplica::forget(const QString &path, QString *error)
{
    bool ok = true;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        const QString file = path + QString::fromLatin1(suffix);
        if (QFileInfo::exists(file) && !QFile::remove(file)) {
            ok = false;
            if (error)
                *error = file + QStringLiteral(": cannot be deleted");
        }
    }
    return ok;
}

Value LocalReplica::stored(const Value &value)
{
    int64_t whole = 0;
    if (wholeDecimal(value, &whole))
        return Value::fromInt64(whole);
    switch (value.kind()) {
    case Value::Kind::Empty: return Value::null();
    case Value::Kind::Boolean:
    case Value::Kind::Integer:
    case Value::Kind::Long: return Value::fromInt64(int64_t(value.numberValue()));
    case Value::Kind::Single:
    case Value::Kind::Decimal: return Value(double(value.numberValue()));
    default: return value;
    }
}

void LocalReplica::throwIfStopped() const
{
    if (m_stop && m_stop->load())
        throw RuntimeError(-2147467259, m_path + QStringLiteral(": the copy was stopped"));
}

void LocalReplica::fillAll(const ConnectionRef &checkIn, const ConnectionRef &zelmar, const ConnectionRef &korda,
                           const Progress &progress)
{
    throwIfStopped();
    const QString startedAt = nowText();
    // The row counts first, so that the progress is a share of the rows to read.
    const QString memberCount = QStringLiteral("SELECT COUNT(*) FROM vwAssociados_Completos");
    const int64_t total = std::max<int64_t>(1, count(memberCount, zelmar) + count(memberCount, korda)
                                                   + count(QStringLiteral("SELECT COUNT(*) FROM tbConvites"), checkIn));
    int64_t read = 0;
    int shown = -1;
    const auto step = [&] {
        throwIfStopped();
        ++read;
        // The last tenth is the resolution and the commit.
        const int percent = int(std::min<int64_t>(90, read * 90 / total));
        if (percent != shown && progress) {
            shown = percent;
            progress(percent);
        }
    };

    prepareFolder(m_path);
    Db db(m_path, false);
    configure(db);
    db.interruptWhen(m_stop);
    db.exec(Staging);
    Transaction transaction(db);

    Statement insertMember{db.prepare("INSERT INTO temp.members VALUES (?1, ?2, rtrim(?3), ?4, ?5, ?6, ?7, ?8, ?9, "
                                      "?10, ?11)")};
    const std::pair<int, const ConnectionRef *> organisations[] = {{1, &zelmar}, {2, &korda}};
    for (const auto &[organisation, connection] : organisations) {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM vwAssociados_Completos"), *connection);
        const QStringList names = rs.fieldNames();
        const int idColumn = columnIndex(names, QStringLiteral("contacto_id"));
        const int companyColumn = columnIndex(names, QStringLiteral("no_empresa"));
        std::vector<int> panel;
        for (const QString &column : panelColumns())
            panel.push_back(columnIndex(names, column));
        for (; !rs.Eof(); rs.MoveNext()) {
            sqlite3_bind_int(insertMember.stmt, 1, organisation);
            if (idColumn >= 0)
                bindValue(insertMember.stmt, 2, rs.currentValue(idColumn));
            if (companyColumn >= 0)
                bindValue(insertMember.stmt, 3, rs.currentValue(companyColumn));
            for (size_t i = 0; i < panel.size(); ++i)
                if (panel[i] >= 0)
                    bindValue(insertMember.stmt, int(4 + i), rs.currentValue(panel[i]));
            db.stepDone(insertMember.stmt);
            step();
        }
        rs.Close();
    }

    Statement insertRaw{db.prepare("INSERT INTO temp.raw VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)")};
    Recordset rs;
    rs.Open(QStringLiteral("SELECT convite_id, convite_no, socio_id, no_tap, nome, call_in, base_dados, checked_in "
                           "FROM tbConvites"),
            checkIn);
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int i = 0; i < 8; ++i)
            bindValue(insertRaw.stmt, i + 1, rs.currentValue(i));
        db.stepDone(insertRaw.stmt);
        step();
    }
    rs.Close();

    db.exec(Resolve);
    if (progress)
        progress(95);
    Statement age{db.prepare("INSERT OR REPLACE INTO copy (id, copied_at, entries_at) VALUES (1, ?1, ?1)")};
    bindText(age.stmt, 1, startedAt);
    db.stepDone(age.stmt);
    transaction.commit();
    if (progress)
        progress(100);
}

void LocalReplica::refreshEntries(const ConnectionRef &checkIn)
{
    throwIfStopped();
    const QString startedAt = nowText();
    prepareFolder(m_path);
    Db db(m_path, false);
    configure(db);
    db.interruptWhen(m_stop);
    QString since;
    {
        Statement latest{db.prepare("SELECT max(checked_in), (SELECT count(*) FROM copy) FROM invitations")};
        if (sqlite3_step(latest.stmt) != SQLITE_ROW)
            db.fail();
        if (sqlite3_column_int(latest.stmt, 1) == 0)
            throw RuntimeError(-2147467259, m_path + QStringLiteral(": there is no local copy to refresh yet"));
        since = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(latest.stmt, 0)));
    }
    // DATETIME keeps 1/300 s: from a little before the latest time known, so that an entry in
    // the same tick is not missed; the rows read again are written again unchanged.
    QString sql = QStringLiteral("SELECT convite_id, checked_in FROM tbConvites WHERE checked_in ");
    const QDateTime latest = QDateTime::fromString(since, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    sql += latest.isValid() ? QStringLiteral(">= ") + entryLiteral(latest.addMSecs(-4)) : QStringLiteral("IS NOT NULL");

    Recordset rs;
    rs.Open(sql, checkIn);
    Transaction transaction(db);
    Statement update{db.prepare("UPDATE invitations SET checked_in = ?2 WHERE convite_id = ?1")};
    for (; !rs.Eof(); rs.MoveNext()) {
        throwIfStopped();
        bindValue(update.stmt, 1, rs.currentValue(0));
        bindValue(update.stmt, 2, rs.currentValue(1));
        db.stepDone(update.stmt);
    }
    rs.Close();
    Statement age{db.prepare("UPDATE copy SET entries_at = ?1")};
    bindText(age.stmt, 1, startedAt);
    db.stepDone(age.stmt);
    transaction.commit();
}

std::optional<QDateTime> LocalReplica::copiedAt() const
{
    if (!QFileInfo::exists(m_path))
        return std::nullopt;
    Db db(m_path, true);
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db.handle(), "SELECT entries_at FROM copy", -1, &raw, nullptr) != SQLITE_OK)
        return std::nullopt; // a file without a committed copy
    Statement stmt{raw};
    if (sqlite3_step(stmt.stmt) != SQLITE_ROW)
        return std::nullopt;
    return QDateTime::fromString(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.stmt, 0))),
                                 Qt::ISODateWithMs);
}

std::optional<LocalReplica::Invitation> LocalReplica::invitation(const QString &conviteNo) const
{
    Db db(m_path, true);
    Statement stmt{db.prepare("SELECT convite_id, convite_no, socio_id, no_tap, nome, call_in, base_dados, checked_in, "
                              "member_source, member_id, nome_union, no_empresa, no_socio, dnascimento, empresa, base, "
                              "morada, localidade FROM invitations WHERE convite_key = rtrim(?1) ORDER BY convite_id "
                              "LIMIT 1")};
    bindText(stmt.stmt, 1, conviteNo);
    const int rc = sqlite3_step(stmt.stmt);
    if (rc == SQLITE_DONE)
        return std::nullopt;
    if (rc != SQLITE_ROW)
        db.fail();
    const auto column = [&](int i) {
        return SqliteValue::fromColumn(stmt.stmt, i, QString::fromUtf8(sqlite3_column_decltype(stmt.stmt, i)));
    };
    Invitation inv;
    inv.conviteId = int32_t(sqlite3_column_int64(stmt.stmt, 0));
    inv.conviteNo = column(1).isNull() ? QString() : column(1).stringValue();
    inv.socioId = column(2);
    inv.noTap = column(3);
    inv.nome = column(4);
    inv.callIn = column(5);
    inv.baseDados = column(6);
    inv.checkedIn = column(7);
    inv.memberSource = int32_t(sqlite3_column_int(stmt.stmt, 8));
    inv.memberId = int32_t(sqlite3_column_int64(stmt.stmt, 9));
    for (int i = 10; i < 18; ++i)
        inv.panel.push_back(column(i));
    return inv;
}

int64_t LocalReplica::invitationCount() const
{
    Db db(m_path, true);
    Statement stmt{db.prepare("SELECT count(*) FROM invitations")};
    if (sqlite3_step(stmt.stmt) != SQLITE_ROW)
        db.fail();
    return sqlite3_column_int64(stmt.stmt, 0);
}

int64_t LocalReplica::entryCount() const
{
    Db db(m_path, true);
    Statement stmt{db.prepare("SELECT count(*) FROM invitations WHERE checked_in IS NOT NULL")};
    if (sqlite3_step(stmt.stmt) != SQLITE_ROW)
        db.fail();
    return sqlite3_column_int64(stmt.stmt, 0);
}

#include "data/deskjournal.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <sqlite3.h>

namespace {

const char *const CreateTable = "CREATE TABLE IF NOT EXISTS scans ("
                                " id INTEGER PRIMARY KEY,"
                                " time TEXT NOT NULL,"
                                " desk TEXT NOT NULL,"
                                " entry TEXT NOT NULL,"
                                " verdict TEXT NOT NULL,"
                                " convite_id INTEGER NULL,"
                                " entry_time TEXT NULL)";

void bindText(sqlite3_stmt *stmt, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt *stmt, int index)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, index));
    if (!text)
        return QString();
    // QString::fromUtf8 would drop a leading U+FEFF; an entry comes back exactly as typed.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(text, sqlite3_column_bytes(stmt, index)));
}

QString sqliteMessage(sqlite3 *db, const QString &path)
{
    return path + QStringLiteral(": ") + QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

} // namespace

DeskJournal::DeskJournal(QString path) : m_path(std::move(path))
{
}

DeskJournal::~DeskJournal()
{
    close();
}

QString DeskJournal::defaultPath()
{
    const QString explicitPath = qEnvironmentVariable("QUORVET_JOURNAL");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorvet/journal.db");
}

void DeskJournal::close()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool DeskJournal::open()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const QByteArray file = QFile::encodeName(m_path);
    int rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        // Another desk process on the same file (or the reader) waits a moment, never long.
        sqlite3_busy_timeout(m_db, 200);
        // WAL with normal syncing: a commit is in the file (not yet on the platter) when it
        // returns, which is what survives a killed process, at no disk flush per scan.
        rc = sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_db, CreateTable, nullptr, nullptr, nullptr);
    // The desk looks up its own entries of an invitation when it finds one already entered.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_db, "CREATE INDEX IF NOT EXISTS scans_convite ON scans (convite_id)", nullptr, nullptr,
                          nullptr);
    // ... and its entries decided without the server, at every start and offline scan.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(m_db, "CREATE INDEX IF NOT EXISTS scans_verdict ON scans (verdict)", nullptr, nullptr,
                          nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(m_db,
                                "INSERT INTO scans (time, desk, entry, verdict, convite_id, entry_time) "
                                "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                                -1, &m_insert, nullptr);
    if (rc != SQLITE_OK) {
        m_lastError = sqliteMessage(m_db, m_path);
        close();
        return false;
    }
    return true;
}

bool DeskJournal::append(const JournalEntry &entry) noexcept
{
    try {
        if (!m_db && !open())
            return false;
        sqlite3_reset(m_insert);
        bindText(m_insert, 1, entry.time);
        bindText(m_insert, 2, entry.desk);
        bindText(m_insert, 3, entry.entry);
        bindText(m_insert, 4, entry.verdict);
        if (entry.conviteId)
            sqlite3_bind_int64(m_insert, 5, *entry.conviteId);
        else
            sqlite3_bind_null(m_insert, 5);
        if (entry.entryTime.isEmpty())
            sqlite3_bind_null(m_insert, 6);
        else
            bindText(m_insert, 6, entry.entryTime);
        const int rc = sqlite3_step(m_insert);
        sqlite3_reset(m_insert);
        if (rc != SQLITE_DONE) {
            m_lastError = sqliteMessage(m_db, m_path);
            // The file may have been removed or replaced: open it afresh next time.
            close();
            return false;
        }
        return true;
    } catch (...) {
        m_lastError = m_path + QStringLiteral(": out of memory");
        return false;
    }
}

bool DeskJournal::read(const QString &path, const QString &since, const EntrySink &each, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = path + QStringLiteral(": no such journal");
        return false;
    }
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        rc = sqlite3_prepare_v2(db,
                                "SELECT time, desk, entry, verdict, convite_id, entry_time FROM scans "
                                "WHERE time >= ?1 ORDER BY id",
                                -1, &stmt, nullptr);
    }
    if (rc == SQLITE_OK) {
        bindText(stmt, 1, since);
        // One row at a time: nothing of an earlier row is kept once the sink has it.
        JournalEntry e;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            e.time = columnText(stmt, 0);
            e.desk = columnText(stmt, 1);
            e.entry = columnText(stmt, 2);
            e.verdict = columnText(stmt, 3);
            e.conviteId.reset();
            if (sqlite3_column_type(stmt, 4) != SQLITE_NULL)
                e.conviteId = sqlite3_column_int64(stmt, 4);
            e.entryTime = columnText(stmt, 5);
            each(e);
        }
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK && error)
        *error = sqliteMessage(db, path);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

std::optional<std::vector<JournalEntry>> DeskJournal::read(const QString &path, const QString &since, QString *error)
{
    std::vector<JournalEntry> entries;
    if (!read(
            path, since, [&entries](const JournalEntry &e) { entries.push_back(e); }, error))
        return std::nullopt;
    return entries;
}

namespace {

// The entries a query selects, with ?1 bound to the desk and ?2, when given, to an invitation.
std::vector<JournalEntry> selectEntries(const QString &path, const char *sql, const QString &desk,
                                        std::optional<int64_t> conviteId, const QString &verdict = QString())
{
    std::vector<JournalEntry> entries;
    if (!QFileInfo(path).isFile())
        return entries;
    sqlite3 *db = nullptr;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 200);
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
            bindText(stmt, 1, desk);
            if (conviteId)
                sqlite3_bind_int64(stmt, 2, *conviteId);
            if (!verdict.isEmpty())
                bindText(stmt, 2, verdict);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                JournalEntry e;
                e.time = columnText(stmt, 0);
                e.desk = columnText(stmt, 1);
                e.entry = columnText(stmt, 2);
                e.verdict = columnText(stmt, 3);
                e.conviteId = sqlite3_column_int64(stmt, 4);
                e.entryTime = columnText(stmt, 5);
                entries.push_back(std::move(e));
            }
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return entries;
}

} // namespace

std::vector<JournalEntry> DeskJournal::entriesOf(const QString &path, int64_t conviteId, const QString &desk)
{
    return selectEntries(path,
                         "SELECT time, desk, entry, verdict, convite_id, entry_time FROM scans "
                         "WHERE desk = ?1 AND convite_id = ?2 ORDER BY id",
                         desk, conviteId);
}

std::vector<JournalEntry> DeskJournal::pendingOffline(const QString &path, const QString &desk)
{
    return selectEntries(path,
                         "SELECT time, desk, entry, verdict, convite_id, entry_time FROM scans a "
                         "WHERE verdict = 'accepted_offline' AND desk = ?1 AND NOT EXISTS (SELECT 1 FROM scans b "
                         "WHERE b.convite_id = a.convite_id AND b.desk = a.desk AND b.id > a.id "
                         "AND b.verdict IN ('delivered', 'conflict', 'undone')) ORDER BY id",
                         desk, std::nullopt);
}

std::vector<JournalEntry> DeskJournal::lastOfVerdict(const QString &path, const QString &desk, const QString &verdict)
{
    return selectEntries(path,
                         "SELECT time, desk, entry, verdict, convite_id, entry_time FROM scans "
                         "WHERE desk = ?1 AND verdict = ?2 ORDER BY id DESC LIMIT 1",
                         desk, std::nullopt, verdict);
}

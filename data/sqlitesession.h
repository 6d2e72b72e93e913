#pragma once

#include "data/connectionstringparts.h"
#include "data/providersession.h"

#include <QByteArray>

#include <memory>
#include <vector>

struct sqlite3;

// The embedded store: one SQLite database file opened read-write (never created: a missing
// file, or one that does not begin with a database header, is an unreachable server), with
// the files of Attach=<file>[,<file>] attached so that unqualified names are found in them
// too (a file written in double quotes may hold a comma). Statements pass through TSqlTranslator first;
// GETDATE() is a function of the session giving local time as "yyyy-mm-dd hh:mm:ss.zzz".
// WAL journal and a 5 s busy time-out let two desks share one file; every commit syncs the
// WAL, and the WAL is checkpointed by WalCheckpointer's thread, never inside a commit. Text compares as on
// SQL Server (SqlServerCollation; the translator gives text columns and compared literals
// the server's default collation). Columns declared DATE/DATETIME/TIME come back as Date
// values, BIT/BOOLEAN as Boolean, CHAR(n)/NCHAR(n) padded with blanks to n characters.
class WalCheckpointer;

class SqliteSession : public ProviderSession
{
public:
    static std::shared_ptr<SqliteSession> open(const ConnectionStringParts &parts);
    ~SqliteSession() override;

    std::unique_ptr<ProviderCursor> execute(const QString &sql, int64_t *affected) override;
    // Every file of the session is still the one opened (same device and inode) and long
    // enough to be a database.
    bool stillCurrent() const override;

    sqlite3 *handle() const { return m_db; }
    // A ProviderFailure carrying the session's last error message.
    ProviderFailure failure(int32_t number, int resultCode) const;

private:
    explicit SqliteSession(sqlite3 *db) : m_db(db) {}

    // A file of the session as it was when opened.
    struct OpenedFile
    {
        QByteArray path;
        quint64 device = 0;
        quint64 inode = 0;
    };
    void noteFile(const QString &path);

    sqlite3 *m_db;
    std::vector<OpenedFile> m_files;
    // Kept while m_db is open: its WAL hook points at it.
    std::shared_ptr<WalCheckpointer> m_checkpointer;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement;

// One SQLite database file opened through the C API for bulk writing. Owns the handle and
// closes it on destruction (or earlier through close()). Every failing open, prepare, bind
// or step throws RuntimeError with SQLite's message and the file name, so a demo set is
// never left looking complete after a silent failure.
class SqliteFile
{
public:
    // Opens (creating if needed) the file at path for reading and writing.
    explicit SqliteFile(const QString &path);
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    // Runs one or more statements that return no rows the caller needs.
    void exec(const QByteArray &sql);
    // Prepares one statement; the statement must not outlive this file.
    SqliteStatement prepare(const QByteArray &sql);
    // Closes the handle; every statement must have been destroyed before.
    void close();

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    [[noreturn]] void fail(const QString &what) const;

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

// A prepared statement of a SqliteFile, bound by 1-based parameter index and run with step().
// Texts are bound as UTF-8 and copied by SQLite, so the caller's buffers may change at once.
class SqliteStatement
{
public:
    SqliteStatement(SqliteFile &file, sqlite3_stmt *statement);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;
    SqliteStatement &operator=(SqliteStatement &&) = delete;

    void bind(int index, int64_t value);
    void bind(int index, const QByteArray &utf8);
    void bind(int index, const char *utf8, int length);
    void bind(int index, const QString &text) { bind(index, text.toUtf8()); }
    void bindNull(int index);

    // Runs the statement for a row that returns nothing and resets it for the next binding.
    void run();

private:
    SqliteFile *m_file;
    sqlite3_stmt *m_statement;
};

#pragma once

#include "data/sqlservercollation.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <gtest/gtest.h>

// Test helper: one SQLite connection opened the way the embedded provider opens it, with
// every result read back as text (a NULL column is a null QString, an empty text is not).
// Failures are recorded as test failures and give no rows.
class SqliteReader
{
public:
    explicit SqliteReader(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
            || SqlServerCollation::addTo(m_db) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path.toStdString() << ": " << sqlite3_errmsg(m_db);
    }
    ~SqliteReader() { sqlite3_close(m_db); }
    SqliteReader(const SqliteReader &) = delete;
    SqliteReader &operator=(const SqliteReader &) = delete;

    // The error SQLite gives for the statement, empty when it runs.
    QString errorOf(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        QString error;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
            error = QString::fromUtf8(sqlite3_errmsg(m_db));
        } else {
            int rc;
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {}
            if (rc != SQLITE_DONE)
                error = QString::fromUtf8(sqlite3_errmsg(m_db));
        }
        sqlite3_finalize(statement);
        return error;
    }

    QList<QStringList> rows(const QString &sql, QStringList *columnNames = nullptr,
                            QStringList *declaredTypes = nullptr)
    {
        QList<QStringList> result;
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(m_db) << " in " << sql.toStdString();
            return result;
        }
        const int count = sqlite3_column_count(statement);
        for (int c = 0; c < count; ++c) {
            if (columnNames)
                columnNames->append(QString::fromUtf8(sqlite3_column_name(statement, c)));
            if (declaredTypes)
                declaredTypes->append(QString::fromUtf8(sqlite3_column_decltype(statement, c)));
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < count; ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
                    row.append(QString());
                } else {
                    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
                    QString value = QString::fromUtf8(text, sqlite3_column_bytes(statement, c));
                    row.append(value.isNull() ? QStringLiteral("") : value);
                }
            }
            result.append(row);
        }
        if (rc != SQLITE_DONE)
            ADD_FAILURE() << sqlite3_errmsg(m_db) << " in " << sql.toStdString();
        sqlite3_finalize(statement);
        return result;
    }

    // Runs a statement and gives the number of rows it changed (-1 on failure).
    int exec(const QString &sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << (error ? error : "?") << " in " << sql.toStdString();
            sqlite3_free(error);
            return -1;
        }
        return sqlite3_changes(m_db);
    }

    // The detail lines of EXPLAIN QUERY PLAN, joined by newlines.
    QString plan(const QString &sql)
    {
        QStringList details;
        for (const QStringList &row : rows(QStringLiteral("EXPLAIN QUERY PLAN ") + sql))
            details.append(row.value(3));
        return details.join(QLatin1Char('\n'));
    }

    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

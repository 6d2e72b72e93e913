#include "testserver/batchrunner.h"

#include "data/sqlitesession.h"
#include "data/tsqltranslator.h"
#include "testserver/resultcolumns.h"
#include "testserver/servermessages.h"
#include "testserver/tdstokens.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The DONE command of a statement that changes rows, from its first word (as the
// embedded store decides whether sqlite3_changes() speaks for a statement).
uint16_t changeCommand(const char *sql, int length)
{
    for (const TSqlTranslator::Token &t : TSqlTranslator::tokenize(QString::fromUtf8(sql, length))) {
        if (t.kind != TSqlTranslator::TokenKind::Word)
            continue;
        const QString w = t.text.toUpper();
        if (w == QLatin1String("INSERT") || w == QLatin1String("REPLACE"))
            return TdsToken::CommandInsert;
        if (w == QLatin1String("UPDATE"))
            return TdsToken::CommandUpdate;
        if (w == QLatin1String("DELETE"))
            return TdsToken::CommandDelete;
        return TdsToken::CommandNone;
    }
    return TdsToken::CommandNone;
}

Cell readCell(sqlite3_stmt *stmt, int column)
{
    Cell cell;
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return cell;
    case SQLITE_INTEGER:
        cell.kind = Cell::Kind::Integer;
        cell.integer = sqlite3_column_int64(stmt, column);
        break;
    case SQLITE_FLOAT:
        cell.kind = Cell::Kind::Real;
        cell.real = sqlite3_column_double(stmt, column);
        break;
    case SQLITE_TEXT: cell.kind = Cell::Kind::Text; break;
    default:
        cell.kind = Cell::Kind::Blob;
        cell.bytes.assign(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                          size_t(sqlite3_column_bytes(stmt, column)));
        return cell;
    }
    // Numbers keep their text form too, for a column that ends up as text.
    const unsigned char *text = sqlite3_column_text(stmt, column);
    cell.bytes.assign(reinterpret_cast<const char *>(text), size_t(sqlite3_column_bytes(stmt, column)));
    return cell;
}

struct StatementDone
{
    uint16_t status;
    uint16_t command;
    uint64_t rows;
};

} // namespace

BatchRunner::BatchRunner(std::shared_ptr<SqliteSession> session, std::u16string serverName)
    : m_session(std::move(session)), m_serverName(std::move(serverName))
{
}

void BatchRunner::run(const std::u16string &batch, ByteWriter &out)
{
    sqlite3 *db = m_session->handle();
    const QByteArray text = TSqlTranslator::toSqliteWithServerCollation(
                                QString::fromUtf16(batch.data(), qsizetype(batch.size())))
                                .toUtf8();
    const char *tail = text.constData();
    const char *const end = text.constData() + text.size();

    // Each statement's tokens go out before its DONE; a DONE learns whether more follow
    // only when the next statement is found, so it is written one step late.
    bool pending = false;
    StatementDone previous{};
    const auto flush = [&](bool more) {
        if (pending)
            TdsToken::done(out, uint16_t(previous.status | (more ? TdsToken::DoneMore : 0)), previous.command,
                           previous.rows);
        pending = false;
    };
    const auto fail = [&](const char *statementStart, int rc) {
        TdsToken::ServerMessage message = ServerMessages::fromSqlite(sqlite3_errmsg(db), rc);
        message.serverName = m_serverName;
        message.line = 1 + int(std::count(text.constData(), statementStart, '\n'));
        flush(true);
        TdsToken::error(out, message);
        TdsToken::done(out, TdsToken::DoneError);
    };

    while (tail < end) {
        const char *start = tail;
        while (start < end && QChar::isSpace(uchar(*start)))
            ++start;
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(db, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail(start, rc);
            return;
        }
        if (!stmt)
            continue; // only blanks or comments were left
        const int columnCount = sqlite3_column_count(stmt);
        std::vector<std::vector<Cell>> rows;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (columnCount == 0)
                continue;
            std::vector<Cell> row;
            row.reserve(size_t(columnCount));
            for (int i = 0; i < columnCount; ++i)
                row.push_back(readCell(stmt, i));
            rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            sqlite3_finalize(stmt);
            fail(start, rc);
            return;
        }
        if (columnCount > 0) {
            std::vector<ResultColumn> columns(static_cast<size_t>(columnCount));
            for (int i = 0; i < columnCount; ++i) {
                const char *declared = sqlite3_column_decltype(stmt, i);
                TdsToken::ServerMessage message;
                if (!describeColumn(declared ? declared : "", rows, size_t(i), &columns[size_t(i)], &message)) {
                    // A stored value SQL Server would never have held: its conversion error, not a result.
                    sqlite3_finalize(stmt);
                    message.serverName = m_serverName;
                    message.line = 1 + int(std::count(text.constData(), start, '\n'));
                    flush(true);
                    TdsToken::error(out, message);
                    TdsToken::done(out, TdsToken::DoneError);
                    return;
                }
                columns[size_t(i)].name = toUtf16(sqlite3_column_name(stmt, i));
            }
            flush(true);
            writeColumnMetadata(out, columns);
            for (const std::vector<Cell> &row : rows)
                writeRow(out, columns, row);
            previous = StatementDone{TdsToken::DoneCount, TdsToken::CommandSelect, rows.size()};
        } else {
            flush(true);
            const uint16_t command = changeCommand(sqlite3_sql(stmt), int(std::strlen(sqlite3_sql(stmt))));
            previous = command == TdsToken::CommandNone
                           ? StatementDone{TdsToken::DoneFinal, TdsToken::CommandNone, 0}
                           : StatementDone{TdsToken::DoneCount, command, uint64_t(sqlite3_changes64(db))};
        }
        pending = true;
        sqlite3_finalize(stmt);
    }
    if (!pending)
        previous = StatementDone{TdsToken::DoneFinal, TdsToken::CommandNone, 0}; // an empty batch
    pending = true;
    flush(false);
}

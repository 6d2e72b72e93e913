#include "bench/vipentries.h"

#include "data/sqlservercollation.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace {

void run(sqlite3 *db, const QByteArray &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "out of memory";
        sqlite3_free(message);
        throw std::runtime_error("VIP entries: " + text);
    }
}

int64_t single(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string("VIP entries: ") + sqlite3_errmsg(db));
    const int64_t value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}

} // namespace

int64_t VipEntries::add(const QString &workFolder, int count)
{
    const QDir dir(workFolder);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(dir.filePath(QStringLiteral("korda.db"))).constData(), &db,
                        SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK) {
        sqlite3_close_v2(db);
        throw std::runtime_error("VIP entries: cannot open korda.db in " + workFolder.toStdString());
    }
    SqlServerCollation::addTo(db);
    try {
        const QByteArray checkin = QFile::encodeName(dir.filePath(QStringLiteral("checkin.db")));
        char *attach = sqlite3_mprintf("ATTACH DATABASE %Q AS checkin", checkin.constData());
        run(db, attach);
        sqlite3_free(attach);
        // Company numbers "VIP00001" and up are in no demo set; names and hours vary by row.
        run(db, "BEGIN;"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                    + QByteArray::number(count)
                    + ")"
                      " INSERT INTO checkin.tbConvites (convite_no, socio_id, no_tap, nome, call_in, base_dados, "
                      "checked_in)"
                      " SELECT 'V' || i, NULL, printf('VIP%05d', i),"
                      " (SELECT nome FROM checkin.tbConvites WHERE convite_id = 1 + (i * 7919) % 10000),"
                      " NULL, 2, printf('2026-12-08 %02d:%02d:%02d', 8 + i % 12, i % 60, (i * 7) % 60) FROM n;"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                    + QByteArray::number(count)
                    + ")"
                      " INSERT INTO tbConvites_VIPs (no_empresa, descricao) SELECT printf('VIP%05d', i), 'Convidado "
                      "VIP' FROM n;"
                      "COMMIT;");
        const int64_t rows = single(db, "SELECT COUNT(*) FROM checkin.tbConvites LEFT JOIN tbConvites_VIPs"
                                        " ON checkin.tbConvites.no_tap = tbConvites_VIPs.no_empresa"
                                        " WHERE checkin.tbConvites.checked_in IS NOT NULL"
                                        " AND tbConvites_VIPs.no_empresa IS NOT NULL");
        sqlite3_close_v2(db);
        return rows;
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
}

#include "bench/checkinfloor.h"

#include "data/sqlservercollation.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

struct CheckinFloor::Row
{
    std::vector<QByteArray> values; // a null QByteArray for a NULL column

    const QByteArray &text(size_t i) const { return values.at(i); }
    long long integer(size_t i) const { return values.at(i).isNull() ? 0 : values.at(i).toLongLong(); }
};

namespace {

[[noreturn]] void fail(sqlite3 *db, const QByteArray &what)
{
    throw std::runtime_error(what.toStdString() + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

sqlite3 *openDb(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw std::runtime_error("cannot open " + path.toStdString() + ": " + message);
    }
    // The desk's embedded provider runs with the same settings.
    sqlite3_busy_timeout(db, 5000);
    SqlServerCollation::addTo(db);
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, "PRAGMA journal_mode");
    if (sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db, "PRAGMA synchronous");
    return db;
}

// A text literal as the desk writes it, in SQLite's spelling; blank gives null.
QByteArray literal(const QByteArray &text)
{
    if (text.trimmed().isEmpty())
        return QByteArrayLiteral("null");
    QByteArray quoted = text;
    quoted.replace('\'', "''");
    return '\'' + quoted + '\'';
}

} // namespace

CheckinFloor::CheckinFloor(const QString &demoSetFolder)
{
    const QDir dir(demoSetFolder);
    try {
        m_checkin = openDb(dir.filePath(QStringLiteral("checkin.db")));
        m_zelmar = openDb(dir.filePath(QStringLiteral("checkin.db")));
        m_korda = openDb(dir.filePath(QStringLiteral("korda.db")));
    } catch (...) {
        sqlite3_close_v2(m_checkin);
        sqlite3_close_v2(m_zelmar);
        throw;
    }
}

CheckinFloor::~CheckinFloor()
{
    sqlite3_close_v2(m_korda);
    sqlite3_close_v2(m_zelmar);
    sqlite3_close_v2(m_checkin);
}

sqlite3 *CheckinFloor::organisationDb(int organisation) const
{
    if (organisation == 1)
        return m_zelmar;
    if (organisation == 2)
        return m_korda;
    throw std::runtime_error("invitation with a database code other than 1 or 2");
}

bool CheckinFloor::query(sqlite3 *db, const QByteArray &sql, Row *first)
{
    ++m_statements;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        fail(db, sql);
    const int rc = sqlite3_step(stmt);
    const bool row = rc == SQLITE_ROW;
    if (row) {
        // The desk reads every column of the row it keeps; so does the floor.
        const int n = sqlite3_column_count(stmt);
        Row values;
        values.values.reserve(size_t(n));
        for (int i = 0; i < n; ++i) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
            values.values.push_back(text ? QByteArray(text, sqlite3_column_bytes(stmt, i)) : QByteArray());
        }
        if (first)
            *first = std::move(values);
    }
    sqlite3_finalize(stmt);
    if (!row && rc != SQLITE_DONE)
        fail(db, sql);
    return row;
}

CheckinFloor::Verdict CheckinFloor::checkIn(const QString &number, int *statements)
{
    m_statements = 0;
    Row invitation;
    const bool exists = query(
        m_checkin,
        "SELECT convite_id, socio_id, no_tap, nome, call_in, base_dados, checked_in FROM tbConvites"
        " WHERE convite_no = "
            + literal(number.trimmed().toUtf8()),
        &invitation);
    if (!exists) {
        if (statements)
            *statements = m_statements;
        return NotFound;
    }
    const long long conviteId = invitation.integer(0);
    long long memberId = invitation.integer(1);
    const QByteArray companyNumber = invitation.text(2);
    const bool used = !invitation.text(6).isNull();

    if (memberId != 0) {
        int source = int(invitation.integer(5));
        bool found = query(organisationDb(source),
                           "SELECT * FROM vwAssociados_Completos WHERE contacto_id = " + QByteArray::number(memberId));
        const QByteArray byCompany = "SELECT * FROM vwAssociados_Completos WHERE no_empresa = "
                                     + literal(companyNumber);
        Row member;
        if (!found && query(m_zelmar, byCompany, &member)) {
            memberId = member.integer(0);
            source = 1;
            found = true;
        }
        if (!found && query(m_korda, byCompany, &member)) {
            memberId = member.integer(0);
            source = 2;
        }
        const QByteArray photoOwner
            = "SELECT tbContactos_Fotos.path, tbAssociados.contacto_id FROM tbContactos_Fotos LEFT JOIN tbAssociados"
              " ON tbContactos_Fotos.contacto_id = tbAssociados.contacto_id WHERE no_empresa = "
              + literal(companyNumber);
        if (!query(organisationDb(source), photoOwner)) {
            source = 3 - source;
            Row owner;
            memberId = query(organisationDb(source), photoOwner, &owner) ? owner.integer(1) : 0;
        }
        Row defs;
        const bool hasArchive = query(organisationDb(source), "SELECT arquivodocumental FROM tbDefs LIMIT 1", &defs)
                                && !defs.text(0).isEmpty();
        // The photo control's own lookup of the stored path (decoding is not part of the floor).
        if (hasArchive && memberId > 0)
            query(organisationDb(source),
                  "SELECT path FROM tbContactos_Fotos WHERE contacto_id = " + QByteArray::number(memberId));
    }
    Verdict verdict = Used;
    if (!used) {
        query(m_checkin, "UPDATE tbConvites SET checked_in = strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')"
                         " WHERE convite_id = "
                             + QByteArray::number(conviteId));
        verdict = Accepted;
    }
    if (statements)
        *statements = m_statements;
    return verdict;
}

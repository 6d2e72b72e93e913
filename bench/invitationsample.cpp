#include "bench/invitationsample.h"

#include "data/sqlservercollation.h"
#include "tools/demodb/demosamples.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace {

struct DbCloser
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};

[[noreturn]] void fail(sqlite3 *db, const QString &what)
{
    throw std::runtime_error(
        QStringLiteral("%1: %2").arg(what, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString()).toStdString());
}

QStringList numbers(sqlite3 *db, const char *number, const char *condition, int count, int skip)
{
    // The multiplier is odd, so the order is a permutation of the row ids that jumps about.
    const QByteArray sql = QByteArrayLiteral("SELECT ") + number
                           + " FROM tbConvites AS t WHERE CAST(convite_no AS INTEGER) >= "
                           + QByteArray::number(qlonglong(DemoSamples::BulkInvitationBase)) + " AND (" + condition
                           + ") ORDER BY (convite_id * 2654435761) % 4294967296 LIMIT ?1 OFFSET ?2";
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        fail(db, QStringLiteral("cannot choose invitations"));
    sqlite3_bind_int(stmt, 1, count);
    sqlite3_bind_int(stmt, 2, skip);
    QStringList found;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        found << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(db, QStringLiteral("cannot choose invitations"));
    return found;
}

std::unique_ptr<sqlite3, DbCloser> openReadOnly(const QString &path)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, DbCloser> db(raw);
    if (rc != SQLITE_OK || SqlServerCollation::addTo(raw) != SQLITE_OK)
        fail(raw, QStringLiteral("cannot open %1").arg(path));
    return db;
}

} // namespace

QString InvitationSample::kindName(int kind)
{
    switch (kind) {
    case Accepted: return QStringLiteral("accepted");
    case NotFound: return QStringLiteral("not found");
    case AlreadyUsed: return QStringLiteral("already used");
    case GuestWithCallSign: return QStringLiteral("guest with call sign");
    }
    return QString();
}

int64_t InvitationSample::invitationCount(const QString &checkinDb)
{
    const auto db = openReadOnly(checkinDb);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT COUNT(*) FROM tbConvites", -1, &stmt, nullptr) != SQLITE_OK)
        fail(db.get(), QStringLiteral("cannot count the invitations"));
    const int64_t count = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return count;
}

std::array<QStringList, InvitationSample::KindCount> InvitationSample::take(const QString &checkinDb, int count,
                                                                            int skip)
{
    const auto db = openReadOnly(checkinDb);

    std::array<QStringList, KindCount> sample;
    sample[Accepted] = numbers(db.get(), "convite_no", "checked_in IS NULL AND socio_id <> 0 AND base_dados IN (1, 2)",
                               count, skip);
    sample[AlreadyUsed] = numbers(db.get(), "convite_no", "checked_in IS NOT NULL", count, skip);
    sample[GuestWithCallSign] = numbers(db.get(), "convite_no",
                                        "checked_in IS NULL AND (socio_id IS NULL OR socio_id = 0) AND call_in <> ''",
                                        count, skip);
    // A real number with one digit too many: it sorts beside its original, so the misses land
    // all over the index instead of always at its end.
    sample[NotFound] = numbers(db.get(), "convite_no || '5'",
                               "NOT EXISTS (SELECT 1 FROM tbConvites AS u WHERE u.convite_no = t.convite_no || '5')",
                               count, skip);
    return sample;
}

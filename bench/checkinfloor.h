#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;

// The floor under the desk's check-in time: the same statements the desk sends for one
// invitation, in the same order and with the same branches, as SQLite reads them (the
// T-SQL turned into SQLite by hand), each prepared from its text, stepped and finalized on
// connections that stay open. Nothing else: no connection set-up or probe, no data layer,
// no widgets, no photograph decoding. Owns its three connections (check-in, ZELMAR and
// KORDA, as the demo set lays them out); throws std::runtime_error on any SQLite failure.
class CheckinFloor
{
public:
    enum Verdict { Accepted, NotFound, Used };

    explicit CheckinFloor(const QString &demoSetFolder);
    ~CheckinFloor();
    CheckinFloor(const CheckinFloor &) = delete;
    CheckinFloor &operator=(const CheckinFloor &) = delete;

    // One check-in of number; *statements receives how many statements ran.
    Verdict checkIn(const QString &number, int *statements = nullptr);

private:
    struct Row;
    // Runs sql on db and keeps the first row's columns (as text) in *first; true for a row.
    bool query(sqlite3 *db, const QByteArray &sql, Row *first = nullptr);
    sqlite3 *organisationDb(int organisation) const;

    sqlite3 *m_checkin = nullptr;
    sqlite3 *m_zelmar = nullptr;
    sqlite3 *m_korda = nullptr;
    int m_statements = 0;
};

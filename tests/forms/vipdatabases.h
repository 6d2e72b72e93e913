#pragma once

#include "data/connection.h"
#include "data/sqlservercollation.h"
#include "forms/vipsource.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

// Test helper: a check-in file with tbConvites and a KORDA file with tbConvites_VIPs, real
// SQLite files in a temporary folder, written directly through SQLite, with the column types
// and collation of an event's SQL Server database. KORDA's connection
// string attaches the check-in file, so the VIP query sees both tables as on the server.
class VipDatabases
{
#define VIP_CI "COLLATE SQL_Latin1_General_CP1_CI_AS"
public:
    VipDatabases()
    {
        run(checkInPath(), {"CREATE TABLE tbConvites (convite_id INTEGER PRIMARY KEY, convite_no VARCHAR(20) " VIP_CI
                            ", socio_id INTEGER, "
                            "no_tap VARCHAR(20) " VIP_CI ", nome NVARCHAR(100) " VIP_CI ", call_in VARCHAR(20) " VIP_CI
                            ", base_dados INTEGER, "
                            "checked_in DATETIME)"});
        run(kordaPath(), {"CREATE TABLE tbConvites_VIPs (no_empresa CHAR(10) " VIP_CI ")"});
    }

    QString checkInPath() const
    {
        return m_dir.filePath(QStringLiteral("checkin.db"));
    }
    QString kordaPath() const
    {
        return m_dir.filePath(QStringLiteral("korda.db"));
    }
    QString kordaConnectionString() const
    {
        return QStringLiteral("Provider=SQLite;Data Source=%1;Attach=%2").arg(kordaPath(), checkInPath());
    }

    // An invitation; an empty enteredAt leaves checked_in NULL.
    void invitation(int id, const char *noTap, const char *nome, const char *enteredAt = "")
    {
        const QString checkedIn = *enteredAt ? QStringLiteral("'%1'").arg(QString::fromUtf8(enteredAt))
                                             : QStringLiteral("NULL");
        run(checkInPath(), QStringLiteral("INSERT INTO tbConvites VALUES (%1, 'C%1', %1, '%2', '%3', '', 1, %4)")
                               .arg(id)
                               .arg(QString::fromUtf8(noTap), QString::fromUtf8(nome), checkedIn));
    }

    void vip(const char *noEmpresa)
    {
        run(kordaPath(), QStringLiteral("INSERT INTO tbConvites_VIPs VALUES ('%1')").arg(QString::fromUtf8(noEmpresa)));
    }

    static void run(const QString &path, const QString &sql)
    {
        run(path, {sql.toUtf8().constData()});
    }
    static void run(const QString &path, std::initializer_list<const char *> statements)
    {
        sqlite3 *db = nullptr;
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK || SqlServerCollation::addTo(db) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path.toStdString();
        } else {
            for (const char *sql : statements) {
                char *error = nullptr;
                if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
                    ADD_FAILURE() << sql << ": " << (error ? error : "?");
                sqlite3_free(error);
            }
        }
        sqlite3_close(db);
    }

private:
    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/vip-XXXXXX")};
};
#undef VIP_CI

// A VIP source over real embedded connections: Connect opens KORDA's file afresh, as the
// desk's Connect replaces its connections, or answers the failure text it was given.
class EmbeddedVipSource : public VipSource
{
public:
    explicit EmbeddedVipSource(QString kordaString) : m_kordaString(std::move(kordaString)) {}

    QString failure;          // what Connect answers; "" connects
    bool leaveClosed = false; // Connect succeeds but KORDA's connection stays closed
    bool leaveUnset = false;  // Connect succeeds but leaves no KORDA connection object at all
    int connects = 0;

    QString Connect() override
    {
        ++connects;
        if (!failure.isEmpty())
            return failure;
        if (leaveUnset)
            return QString();
        m_korda = std::make_shared<Connection>();
        m_korda->setConnectionString(m_kordaString);
        if (!leaveClosed)
            m_korda->Open();
        return QString();
    }
    ConnectionRef kordaConnection() const override { return m_korda; }

private:
    QString m_kordaString;
    ConnectionRef m_korda;
};

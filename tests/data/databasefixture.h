#pragma once

#include "data/connection.h"
#include "data/recordset.h"
#include "data/value.h"
#include "platform/runtimeerror.h"
#include "tests/support/tdsserverprocess.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Prints a Value in failure messages without its text conversions.
inline void PrintTo(const Value &v, std::ostream *os)
{
    switch (v.kind()) {
    case Value::Kind::Empty: *os << "Empty"; break;
    case Value::Kind::Null: *os << "Null"; break;
    case Value::Kind::String: *os << "String(\"" << v.stringValue().toStdString() << "\")"; break;
    case Value::Kind::Date:
        *os << "Date(" << v.dateValue().toString(Qt::ISODate).toStdString() << ' '
            << v.timeValue().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() << ')';
        break;
    case Value::Kind::Decimal:
        *os << "Decimal(" << v.decimalValue().toPlainText(QStringLiteral("."), 38, 38).toStdString() << ')';
        break;
    default: *os << "Number(kind " << int(v.kind()) << ", " << v.numberValue() << ')'; break;
    }
}

// The database a data-layer test runs on: the embedded store, and SQL Server through QODBC
// and FreeTDS: the server named by QUORVET_TEST_SQLSERVER when it is set, otherwise our own
// quorvet-tds-server on fresh files. Three roles as the desk sees them: the check-in database
// (tbConvites), a member database (views, photos, tbDefs), and KORDA's connection, which
// also sees tbConvites (through an attached file on the embedded store and the test server).
class DatabaseFixture : public ::testing::TestWithParam<const char *>
{
public:
    enum class Role { CheckIn, Members, Korda };

protected:
    void SetUp() override
    {
        m_sqlServer = QString::fromLatin1(GetParam()) == QLatin1String("SqlServer");
        m_serverString = m_sqlServer ? qEnvironmentVariable("QUORVET_TEST_SQLSERVER") : QString();
        if (!m_serverString.trimmed().isEmpty()) {
            for (const char *drop :
                 {"IF OBJECT_ID('vwAssociados_Completos') IS NOT NULL DROP VIEW vwAssociados_Completos",
                  "IF OBJECT_ID('tbConvites') IS NOT NULL DROP TABLE tbConvites",
                  "IF OBJECT_ID('tbConvites_VIPs') IS NOT NULL DROP TABLE tbConvites_VIPs",
                  "IF OBJECT_ID('tbAssociados') IS NOT NULL DROP TABLE tbAssociados",
                  "IF OBJECT_ID('tbContactos_Fotos') IS NOT NULL DROP TABLE tbContactos_Fotos",
                  "IF OBJECT_ID('tbDefs') IS NOT NULL DROP TABLE tbDefs"})
                open(Role::CheckIn)->Execute(QString::fromLatin1(drop));
            return;
        }
        ASSERT_TRUE(m_dir.isValid());
        // The layer itself never creates a database.
        for (const QString &name : {QStringLiteral("checkin.db"), QStringLiteral("members.db")})
            ASSERT_TRUE(TestSupport::createEmptyDatabase(m_dir.filePath(name)));
        if (m_sqlServer) {
            const QString checkin = path(QStringLiteral("checkin.db"));
            const QString members = path(QStringLiteral("members.db"));
            ASSERT_TRUE(m_server.start({{QStringLiteral("Pelvrin"), checkin, {}},
                                        {QStringLiteral("ZELMAR"), members, {}},
                                        {QStringLiteral("KORDA"), members, {checkin}}}))
                << m_server.error().toStdString();
        }
    }

    bool onSqlServer() const { return m_sqlServer; }
    // SQL Server itself rather than quorvet-tds-server, whose catalogs are SQLite files.
    bool onRealSqlServer() const { return !m_serverString.trimmed().isEmpty(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString connectionString(Role role) const
    {
        if (!m_serverString.trimmed().isEmpty())
            return m_serverString;
        switch (role) {
        case Role::CheckIn:
            return m_sqlServer ? m_server.connectionString(QStringLiteral("Pelvrin"))
                               : QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("checkin.db"));
        case Role::Members:
            return m_sqlServer ? m_server.connectionString(QStringLiteral("ZELMAR"))
                               : QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("members.db"));
        case Role::Korda:
            return m_sqlServer ? m_server.connectionString(QStringLiteral("KORDA"))
                               : QStringLiteral("Provider=SQLite;Data Source=%1;Attach=%2")
                                     .arg(path(QStringLiteral("members.db")), path(QStringLiteral("checkin.db")));
        }
        return QString();
    }

    ConnectionRef open(Role role) const
    {
        auto c = std::make_shared<Connection>();
        c->setConnectionString(connectionString(role));
        c->Open();
        return c;
    }

    // Runs each statement on a fresh connection of the role.
    void run(Role role, std::initializer_list<const char *> statements) const
    {
        ConnectionRef c = open(role);
        for (const char *sql : statements)
            c->Execute(QString::fromUtf8(sql));
    }

    // The desk's schema with a handful of rows.
    void createDeskSchema() const
    {
        run(Role::CheckIn,
            {"CREATE TABLE tbConvites (convite_id INT PRIMARY KEY, convite_no VARCHAR(20), socio_id INT NULL, "
             "no_tap VARCHAR(20) NULL, nome NVARCHAR(100) NULL, call_in VARCHAR(20) NULL, base_dados INT NULL, "
             "checked_in DATETIME NULL)",
             "INSERT INTO tbConvites VALUES (5, '4711', NULL, 'E1', 'Ana Sá', 'X1', 2, NULL)",
             "INSERT INTO tbConvites VALUES (6, '4712', 57, 'E2', 'Bruno Lima', '', 1, "
             "CONVERT(DATETIME,'2026-12-07 09:05:00',102))",
             "INSERT INTO tbConvites VALUES (7, '4713', 58, 'E3', 'Carla Dias', NULL, 2, "
             "CONVERT(DATETIME,'2026-12-07 21:40:00',102))",
             "INSERT INTO tbConvites VALUES (8, '4714', 59, 'E4', 'Artur Reis', NULL, 2, "
             "CONVERT(DATETIME,'2026-12-07 10:00:00',102))",
             "INSERT INTO tbConvites VALUES (9, '4715', 60, 'E5', 'Zé Nunes', NULL, 2, NULL)"});
        run(Role::Members,
            {"CREATE TABLE tbAssociados (contacto_id INT PRIMARY KEY, no_empresa VARCHAR(20), nome NVARCHAR(100))",
             "CREATE TABLE tbContactos_Fotos (contacto_id INT, path VARCHAR(200))",
             "CREATE TABLE tbDefs (arquivodocumental VARCHAR(200))",
             "CREATE TABLE tbConvites_VIPs (no_empresa VARCHAR(20))",
             "CREATE VIEW vwAssociados_Completos AS SELECT contacto_id, no_empresa, nome FROM tbAssociados",
             "INSERT INTO tbAssociados VALUES (57, 'E1', 'Ana Sá')",
             "INSERT INTO tbAssociados VALUES (58, 'E3', 'Carla Dias')",
             "INSERT INTO tbContactos_Fotos VALUES (57, 'fotos/57.jpg')", "INSERT INTO tbDefs VALUES ('/srv/arquivo')",
             "INSERT INTO tbDefs VALUES ('/srv/outro')", "INSERT INTO tbConvites_VIPs VALUES ('E2')",
             "INSERT INTO tbConvites_VIPs VALUES ('E3')", "INSERT INTO tbConvites_VIPs VALUES ('E4')",
             "INSERT INTO tbConvites_VIPs VALUES ('E5')"});
    }

private:
    bool m_sqlServer = false;
    QString m_serverString;
    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/db-XXXXXX")};
    // The test server when the SQL Server half runs on it; stopped before its files go.
    TdsServerProcess m_server;
};

// The desk's schema with its handful of rows, which the desk's own check-in connection
// (QUORVET_CONNECTION_SQLSERVER) names for the length of the test.
class DeskDatabaseFixture : public DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createDeskSchema();
        qputenv("QUORVET_CONNECTION_SQLSERVER", connectionString(Role::CheckIn).toUtf8());
    }
    void TearDown() override { qunsetenv("QUORVET_CONNECTION_SQLSERVER"); }
};

// The error a statement raises, for tests that expect one.
template<typename F>
RuntimeError raisedBy(F &&f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e;
    }
    return RuntimeError(0, QString());
}

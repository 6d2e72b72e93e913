#pragma once

#include "app/frmmain.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/value.h"
#include "tests/support/tdsserverprocess.h"
#include "tests/support/testsupport.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "tools/demodb/demoenvironment.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A fresh demo set (the fixed sample invitations and members, no generated rows) in a
// temporary folder for each test, and the real main window to check in with. The desk's
// store: the embedded one, QUORVET_CONNECTION_* naming the set's files; or, for a fixture
// whose onSqlServer() says so, SQL Server through FreeTDS and quorvet-tds-server serving
// those same files. Queries of the tests read the files through the embedded provider.
class DeskFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        DemoOptions options;
        options.directory = m_dir.filePath(QStringLiteral("set"));
        options.invitations = 0;
        options.members = 0;
        m_set = DemoDatabaseBuilder(options, today()).build();
        if (onSqlServer()) {
            ASSERT_TRUE(m_server.start(catalogs())) << m_server.error().toStdString();
        }
        pointAtStore();
        // The desk as it works online: no local copy, so a server that cannot be reached ends in
        // the connect message alone (the offline desk's tests switch the copy on).
        qputenv("QUORVET_OFFLINE", "off");
        TestSupport::clearErrorReports();
    }

    // The desk's store is SQL Server (the test server) rather than the embedded one.
    virtual bool onSqlServer() const { return false; }

    // The demo set's files as the catalogs the desk's strings name on the test server.
    QList<TdsServerProcess::Catalog> catalogs() const
    {
        return {{QStringLiteral("Pelvrin"), checkinDb(), {}},
                {QStringLiteral("ZELMAR"), checkinDb(), {}},
                {QStringLiteral("KORDA"), kordaDb(), {checkinDb()}}};
    }

    // Points the desk's three connections at the test server; keys: more of the connection
    // text, such as time-outs.
    void pointAtServer(const QString &keys = QString()) const
    {
        qputenv("QUORVET_CONNECTION_SQLSERVER", (m_server.connectionString(QStringLiteral("Pelvrin")) + keys).toUtf8());
        qputenv("QUORVET_CONNECTION_ZELMAR", (m_server.connectionString(QStringLiteral("ZELMAR")) + keys).toUtf8());
        qputenv("QUORVET_CONNECTION_KORDA", (m_server.connectionString(QStringLiteral("KORDA")) + keys).toUtf8());
    }

    // Points the desk's three connections at the test's store again.
    void pointAtStore() const
    {
        if (onSqlServer())
            pointAtServer();
        else
            pointAt(m_set);
    }

    void TearDown() override
    {
        for (const char *name : {"QUORVET_CONNECTION_SQLSERVER", "QUORVET_CONNECTION_ZELMAR",
                                 "QUORVET_CONNECTION_KORDA", "QUORVET_OFFLINE"})
            qunsetenv(name);
    }

    static QDate today() { return QDate::currentDate(); }

    static void pointAt(const QString &set)
    {
        qputenv("QUORVET_CONNECTION_SQLSERVER", DemoEnvironment::sqlServerConnection(set).toUtf8());
        qputenv("QUORVET_CONNECTION_ZELMAR", DemoEnvironment::zelmarConnection(set).toUtf8());
        qputenv("QUORVET_CONNECTION_KORDA", DemoEnvironment::kordaConnection(set).toUtf8());
    }

    QString checkinDb() const { return QDir(m_set).filePath(QStringLiteral("checkin.db")); }
    QString kordaDb() const { return QDir(m_set).filePath(QStringLiteral("korda.db")); }

    static ConnectionRef open(const QString &file)
    {
        auto connection = std::make_shared<Connection>();
        connection->Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
        return connection;
    }

    // The first column of the first row (Empty when there is no row).
    static Value scalar(const QString &file, const QString &sql)
    {
        RecordsetRef rs = open(file)->Execute(sql);
        if (!rs || rs->State() != Recordset::StateOpen || rs->Eof())
            return Value();
        return rs->Fields(0).Value();
    }

    static int64_t exec(const QString &file, const QString &sql)
    {
        int64_t changed = -1;
        open(file)->Execute(sql, &changed);
        return changed;
    }

    Value checkedIn(const QString &conviteNo) const
    {
        return scalar(checkinDb(),
                      QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_no = '%1'").arg(conviteNo));
    }

    // The main window, shown and active, closing without ending any process.
    static std::unique_ptr<frmMain> desk()
    {
        auto w = std::make_unique<frmMain>();
        w->setProcessTerminator([](const QString &) { return false; });
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        w->ui().FXNo_TAP->setFocus();
        return w;
    }

    // Types the number as a person (or a keyboard-wedge scanner) does and presses Enter.
    static void typeAndEnter(frmMain &w, const QString &number)
    {
        QTest::keyClicks(w.ui().FXNo_TAP, number);
        QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_Return);
    }

    // Puts any text in the box, as a paste would, and presses Enter.
    static void enterText(frmMain &w, const QString &text)
    {
        w.ui().FXNo_TAP->setText(text);
        QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_Return);
    }

    // Waits until the pause after the verdict ends and the entry box is given back.
    static bool waitForUnlock(frmMain &w)
    {
        return QTest::qWaitFor([&] { return w.ui().FXNo_TAP->isEnabled(); }, 10000);
    }

    // The verdict on show: its text, or empty when none is visible.
    static QString verdict(const frmMain &w)
    {
        QString shown;
        for (QLabel *l : {w.ui().FXMessage_OK, w.ui().FXMessage_Alert, w.ui().FXMessage_Invalid}) {
            if (!l->isHidden())
                shown += l->text();
        }
        return shown;
    }

    QTemporaryDir m_dir;
    QString m_set;
    // Stopped before the set's files go.
    TdsServerProcess m_server;
};

// A desk fixture whose tests run on both stores: INSTANTIATE_TEST_SUITE_P(Stores, Suite, deskStores(), deskStoreName).
template<typename Fixture = DeskFixture>
class OnBothStores : public Fixture, public ::testing::WithParamInterface<const char *>
{
protected:
    bool onSqlServer() const override { return std::string(this->GetParam()) == "SqlServer"; }
};

// The stores, and the test name's suffix for each.
inline auto deskStores()
{
    return ::testing::Values("Embedded", "SqlServer");
}
inline std::string deskStoreName(const ::testing::TestParamInfo<const char *> &info)
{
    return info.param;
}

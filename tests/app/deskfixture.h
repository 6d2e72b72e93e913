#pragma once

#include "app/frmmain.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/value.h"
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

// A fresh demo set (the fixed sample invitations and members, no generated rows) in a
// temporary folder for each test, with QUORVET_CONNECTION_* pointing at it, and the real
// main window to check in with. Queries of the tests go through the embedded provider.
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
        pointAt(m_set);
        // The desk as it works online: no local copy, so a server that cannot be reached ends in
        // the connect message alone (the offline desk's tests switch the copy on).
        qputenv("QUORVET_OFFLINE", "off");
        TestSupport::clearErrorReports();
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
        return scalar(checkinDb(), QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_no = '%1'").arg(conviteNo));
    }

    // Scans of "ab7" and "1003" find the invitations stored as "AB7" and "1003 " (the sample
    // invitations 1001 and 1003 renumbered), as SQL Server's default collation finds them.
    void expectNumbersFoundWhateverTheirCaseAndPadding(frmMain &w) const
    {
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET convite_no = 'AB7' WHERE convite_no = '1001'"));
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET convite_no = '1003 ' WHERE convite_no = '1003'"));
        const struct
        {
            const char *typed;
            const char *name;
        } cases[] = {{"ab7", "Ana Catarina Moreira Lopes"}, {"1003", "Luísa Fernanda Guerreiro Dias"}};
        for (const auto &c : cases) {
            w.FXNo_TAP()->setText(QString::fromLatin1(c.typed));
            w.VerifyCode();
            EXPECT_EQ(verdict(w), QStringLiteral("Convite OK!")) << c.typed;
            EXPECT_EQ(w.FXNome_Union()->text(), QString::fromUtf8(c.name)) << c.typed;
        }
    }

    // The main window, shown and active, closing without ending any process.
    static std::unique_ptr<frmMain> desk()
    {
        auto w = std::make_unique<frmMain>();
        w->setProcessTerminator([](const QString &) { return false; });
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        w->FXNo_TAP()->setFocus();
        return w;
    }

    // Types the number as a person (or a keyboard-wedge scanner) does and presses Enter.
    static void typeAndEnter(frmMain &w, const QString &number)
    {
        QTest::keyClicks(w.FXNo_TAP(), number);
        QTest::keyClick(w.FXNo_TAP(), Qt::Key_Return);
    }

    // Puts any text in the box, as a paste would, and presses Enter.
    static void enterText(frmMain &w, const QString &text)
    {
        w.FXNo_TAP()->setText(text);
        QTest::keyClick(w.FXNo_TAP(), Qt::Key_Return);
    }

    // Waits until the pause after the verdict ends and the entry box is given back.
    static bool waitForUnlock(frmMain &w)
    {
        return QTest::qWaitFor([&] { return w.FXNo_TAP()->isEnabled(); }, 10000);
    }

    // The verdict on show: its text, or empty when none is visible.
    static QString verdict(const frmMain &w)
    {
        QString shown;
        for (QLabel *l : {w.FXMessage_OK(), w.FXMessage_Alert(), w.FXMessage_Invalid()}) {
            if (!l->isHidden())
                shown += l->text();
        }
        return shown;
    }

    QTemporaryDir m_dir;
    QString m_set;
};

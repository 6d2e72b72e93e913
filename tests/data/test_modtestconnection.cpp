// The connection test against real embedded databases, a closed port on loopback and a
// registry file, with the real SQL server dialog and a real owner window.
#include "data/connection.h"
#include "data/connectionstringparts.h"
#include "data/modtestconnection.h"
#include "data/recordset.h"
#include "forms/frmsqlserver.h"
#include "forms/sqlserverdialog.h"
#include "platform/passwordcodec.h"
#include "platform/registryfile.h"
#include "tests/support/testsupport.h"
#include "ui/widgetowner.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// What the test saw of the dialogs it created.
struct DialogJournal
{
    int created = 0;
    int shown = 0;
    int closed = 0;
    bool visibleAtFirstClose = false;
    bool command1EnabledAtFirstClose = true;
    bool ownerEnabledAtCreation = true;
    QPointer<frmSQLServer> lastForm;
    std::function<void()> onShow;
};

// The real dialog, with a note of each call the test makes on it.
class RecordingDialog : public modTestConnection::ServerDialog
{
public:
    explicit RecordingDialog(DialogJournal &journal) : m_journal(journal) { m_journal.lastForm = m_real.form(); }

    void Show() override
    {
        ++m_journal.shown;
        m_real.Show();
        if (m_journal.onShow)
            m_journal.onShow();
    }
    void Refresh() override { m_real.Refresh(); }
    bool Visible() const override { return m_real.Visible(); }
    void setCommand1Enabled(bool enabled) override { m_real.setCommand1Enabled(enabled); }
    void Close() override
    {
        // Nothing touches the dialog between the attempt and this call: what is seen here is
        // what the operator saw while the attempt ran.
        if (m_journal.closed++ == 0) {
            m_journal.visibleAtFirstClose = m_real.Visible();
            m_journal.command1EnabledAtFirstClose = m_real.form()->Command1()->isEnabled();
        }
        m_real.Close();
    }

private:
    DialogJournal &m_journal;
    SqlServerDialog m_real;
};

// A real window as owner, noting each change of its enabled state and its state at each repaint.
class RecordingOwner : public WidgetOwner
{
public:
    explicit RecordingOwner(QWidget *widget) : WidgetOwner(widget) {}

    void setFormEnabled(bool enabled) override
    {
        calls << enabled;
        WidgetOwner::setFormEnabled(enabled);
    }
    void Refresh() override
    {
        enabledAtRefresh << takesInput();
        WidgetOwner::Refresh();
    }

    QList<bool> calls;
    QList<bool> enabledAtRefresh;
};

// Counts the key presses that reach a widget.
struct KeyCounter : QObject
{
    explicit KeyCounter(QWidget *widget) : target(widget) { widget->installEventFilter(this); }
    ~KeyCounter() override { target->removeEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        keys += event->type() == QEvent::KeyPress;
        return false;
    }
    QWidget *target;
    int keys = 0;
};

int aliveDialogs()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<frmSQLServer *>(w))
            ++n;
    return n;
}

class TestConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_owner.show();
        modTestConnection::setServerDialogFactory([this]() -> std::unique_ptr<modTestConnection::ServerDialog> {
            ++m_journal.created;
            m_journal.ownerEnabledAtCreation = m_recorder.takesInput();
            return std::make_unique<RecordingDialog>(m_journal);
        });
        QFile::remove(RegistryFile::defaultPath());
        qputenv("QUORVET_MACHINE_ID_FILE", path(QStringLiteral("machine-id")).toUtf8());
        QFile id(path(QStringLiteral("machine-id")));
        ASSERT_TRUE(id.open(QIODevice::WriteOnly));
        id.write("5b0c3f7e9d2a4c1e8f6a7b3d2c1e0f9a\n");
    }
    void TearDown() override
    {
        modTestConnection::setServerDialogFactory(nullptr);
        QFile::remove(RegistryFile::defaultPath());
        qunsetenv("QUORVET_MACHINE_ID_FILE");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // An embedded database file that exists.
    QString embeddedString(const QString &name)
    {
        EXPECT_TRUE(TestSupport::createEmptyDatabase(path(name)));
        return QStringLiteral("Provider=SQLite;Data Source=") + path(name);
    }

    bool test(ConnectionRef &conn, QString &connectionString, bool retry, const QString &entry = QString())
    {
        QString registryEntry = entry;
        return modTestConnection::TestConnection(conn, registryEntry, &m_recorder, connectionString, retry);
    }

    void writeRegistry(const QByteArray &values)
    {
        QFile f(RegistryFile::defaultPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Desk]\r\n"
                + values);
    }

    // After the test: the owner is usable again and no dialog is left behind.
    void expectCleanEnd()
    {
        EXPECT_TRUE(m_recorder.takesInput());
        EXPECT_TRUE(m_owner.isEnabled()); // held back, never greyed
        ASSERT_FALSE(m_recorder.calls.isEmpty());
        EXPECT_FALSE(m_recorder.calls.first());
        EXPECT_TRUE(m_recorder.calls.last());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(aliveDialogs(), 0);
        EXPECT_TRUE(m_journal.lastForm.isNull());
    }

    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/conn-XXXXXX")};
    QWidget m_owner;
    RecordingOwner m_recorder{&m_owner};
    DialogJournal m_journal;
};

const QString ClosedLoopbackServer = QStringLiteral(
    "Provider=SQLOLEDB.1;Password=x;Persist Security Info=True;User ID=sa;Initial Catalog=Pelvrin;"
    "Data Source=127.0.0.1,1;Connect Timeout=3");

TEST_F(TestConnectionTest, AReachableDatabaseNeedsNoDialog)
{
    auto conn = std::make_shared<Connection>();
    ConnectionRef ref = conn;
    QString text = embeddedString(QStringLiteral("checkin.db"));
    const QString given = text;
    EXPECT_TRUE(test(ref, text, false));
    EXPECT_EQ(m_journal.created, 0);
    EXPECT_EQ(conn->State(), Connection::StateOpen);
    EXPECT_EQ(conn->ConnectionString(), given);
    EXPECT_EQ(text, given);
    // Disabled for the test, repainted while disabled after the probe, enabled at the end.
    EXPECT_EQ(m_recorder.calls, (QList<bool>{false, true}));
    EXPECT_EQ(m_recorder.enabledAtRefresh, (QList<bool>{false}));
    expectCleanEnd();

    // Without an owner nothing but the connection is touched.
    auto other = std::make_shared<Connection>();
    ConnectionRef otherRef = other;
    QString entry;
    bool retry = false;
    EXPECT_TRUE(modTestConnection::TestConnection(otherRef, entry, nullptr, text, retry));
    EXPECT_EQ(m_journal.created, 0);
    EXPECT_EQ(m_recorder.calls.size(), 2);
}

TEST_F(TestConnectionTest, AnOpenConnectionIsProbedNotReopened)
{
    auto conn = std::make_shared<Connection>();
    conn->Open(embeddedString(QStringLiteral("open.db")));
    // The file goes: a second opening would fail, the open session still answers.
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("open.db"))));
    ConnectionRef ref = conn;
    QString text = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("elsewhere.db"));
    EXPECT_TRUE(test(ref, text, false));
    EXPECT_EQ(ref.get(), conn.get());
    EXPECT_EQ(conn->State(), Connection::StateOpen);
    EXPECT_EQ(conn->ConnectionString(),
              QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("open.db")));
    EXPECT_EQ(m_journal.created, 0);
    expectCleanEnd();
}

TEST_F(TestConnectionTest, AnUnreachableDatabaseIsTriedOnceMoreUnderTheDialog)
{
    for (const QString &unreachable :
         {ClosedLoopbackServer, QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("missing.db"))}) {
        SCOPED_TRACE(unreachable.toStdString());
        m_journal = DialogJournal();
        m_recorder.calls.clear();
        auto conn = std::make_shared<Connection>();
        ConnectionRef ref = conn;
        // The failures of the first try are cleared before the dialog comes up.
        int errorsWhenShown = -1;
        m_journal.onShow = [&] { errorsWhenShown = conn->Errors().Count(); };
        QString text = unreachable;
        EXPECT_FALSE(test(ref, text, false));
        EXPECT_EQ(m_journal.created, 1);
        EXPECT_EQ(m_journal.shown, 1);
        EXPECT_FALSE(m_journal.ownerEnabledAtCreation);
        EXPECT_EQ(errorsWhenShown, 0);
        EXPECT_TRUE(m_journal.visibleAtFirstClose);
        EXPECT_FALSE(m_journal.command1EnabledAtFirstClose);
        EXPECT_EQ(m_journal.closed, 2);
        EXPECT_EQ(conn->State(), Connection::StateClosed);
        // The second attempt left its own failure behind.
        EXPECT_EQ(conn->Errors().Count(), 1);
        EXPECT_EQ(text, unreachable);
        expectCleanEnd();
    }
}

TEST_F(TestConnectionTest, AConnectionVariableWithoutObjectFailsQuietly)
{
    ConnectionRef none;
    QString text = embeddedString(QStringLiteral("checkin.db"));
    EXPECT_FALSE(test(none, text, false));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(m_journal.created, 1);
    expectCleanEnd();
}

TEST_F(TestConnectionTest, TheRegistryComposesTheStringOnce)
{
    const QString encoded = PasswordCodec::EncodePassword(QStringLiteral("p\u00e1ss"));
    ASSERT_TRUE(encoded.startsWith(QLatin1String("qv1:")));
    writeRegistry("\"dtDataSource\"=\"127.0.0.1\\\\SQLEXPRESS,1\"\r\n\"dtUser\"=\"sa\"\r\n"
                  "\"dtInitialCatalog\"=\"Pelvrin\"\r\n\"dtPassword\"=\""
                  + encoded.toUtf8() + "\"\r\n\"dtSecurityInfo\"=\"True\"\r\n");
    const QString composed = QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
                                            "Password=p\u00e1ss;Initial Catalog=Pelvrin;"
                                            "Data Source=127.0.0.1\\SQLEXPRESS,1;Connect Timeout=15");

    // Alone: the text is stored back into the caller's variable and given to the connection.
    auto conn = std::make_shared<Connection>();
    ConnectionRef ref = conn;
    QString entry = QStringLiteral("Desk");
    QString text;
    EXPECT_FALSE(modTestConnection::BuildConnectionString(ref, entry, text));
    EXPECT_EQ(text, composed);
    EXPECT_EQ(conn->ConnectionString(), composed);

    // In a test, the second attempt reuses the text although the registry is gone by then.
    auto second = std::make_shared<Connection>();
    ConnectionRef secondRef = second;
    QString empty;
    m_journal.onShow = [] { QFile::remove(RegistryFile::defaultPath()); };
    EXPECT_FALSE(test(secondRef, empty, false, QStringLiteral("Desk")));
    EXPECT_EQ(empty, composed);
    EXPECT_TRUE(empty.endsWith(QLatin1String("Connect Timeout=15")));
    EXPECT_EQ(second->ConnectionString(), composed);
    EXPECT_EQ(second->Errors().Count(), 1);
    EXPECT_EQ(m_journal.created, 1);
    expectCleanEnd();
}

// Values holding ';', quotes or blanks at their ends reach the provider whole.
TEST_F(TestConnectionTest, ComposedValuesReadBackAsTheRegistryHoldsThem)
{
    const struct
    {
        const char *password;
        const char *catalog;
    } cases[] = {
        {"a;b", "Pelvrin"},      {"\"start", "O'Neil;x"},
        {"'start", "Pelvrin  "}, // the registry keeps trailing blanks (and drops leading ones)
        {" both ", "Pelvrin"},   {"x\"y'z;", "\"quoted\""},
    };
    for (const auto &c : cases) {
        const QString catalog = QString::fromUtf8(c.catalog);
        QString escaped = catalog;
        escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
        writeRegistry("\"dtSecurityInfo\"=\"True\"\r\n\"dtUser\"=\"sa\"\r\n\"dtPassword\"=\""
                      + PasswordCodec::EncodePassword(QString::fromUtf8(c.password)).toUtf8()
                      + "\"\r\n\"dtInitialCatalog\"=\"" + escaped.toUtf8()
                      + "\"\r\n\"dtDataSource\"=\"127.0.0.1,1\"\r\n");
        auto conn = std::make_shared<Connection>();
        ConnectionRef ref = conn;
        QString entry = QStringLiteral("Desk");
        QString text;
        modTestConnection::BuildConnectionString(ref, entry, text);
        const auto parts = ConnectionStringParts::parse(text);
        EXPECT_EQ(parts.value(QStringLiteral("Password")), QString::fromUtf8(c.password)) << text.toStdString();
        EXPECT_EQ(parts.value(QStringLiteral("Initial Catalog")), catalog) << text.toStdString();
        EXPECT_EQ(parts.value(QStringLiteral("User ID")), QStringLiteral("sa")) << text.toStdString();
        EXPECT_EQ(parts.value(QStringLiteral("Data Source")), QStringLiteral("127.0.0.1,1")) << text.toStdString();
        EXPECT_EQ(parts.value(QStringLiteral("Connect Timeout")), QStringLiteral("15")) << text.toStdString();
    }
}

TEST_F(TestConnectionTest, AMissingRegistryValueLeavesTheConnectionAlone)
{
    writeRegistry("\"dtSecurityInfo\"=\"True\"\r\n\"dtPassword\"=\"qv1:x\"\r\n\"dtInitialCatalog\"=\"Pelvrin\"\r\n"
                  "\"dtDataSource\"=\"127.0.0.1,1\"\r\n");
    const QString openString = embeddedString(QStringLiteral("kept.db"));
    auto conn = std::make_shared<Connection>();
    conn->Open(openString);
    ConnectionRef ref = conn;
    QString entry = QStringLiteral("Desk");
    QString text;
    EXPECT_FALSE(modTestConnection::BuildConnectionString(ref, entry, text));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(conn->State(), Connection::StateOpen);
    EXPECT_EQ(conn->ConnectionString(), openString);

    auto fresh = std::make_shared<Connection>();
    ConnectionRef freshRef = fresh;
    EXPECT_FALSE(test(freshRef, text, false, QStringLiteral("Desk")));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(m_journal.created, 1);
    EXPECT_EQ(m_journal.shown, 1);
    EXPECT_EQ(fresh->ConnectionString(), QString());
    expectCleanEnd();
}

TEST_F(TestConnectionTest, AnAttemptOnAnOpenConnectionReopensIt)
{
    // A connection that is open on one database and asked to open another: the outcome is
    // that of the new opening, not the old session's.
    auto conn = std::make_shared<Connection>();
    conn->Open(embeddedString(QStringLiteral("first.db")));
    ConnectionRef ref = conn;
    QString entry;
    QString missing = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("missing.db"));
    EXPECT_FALSE(modTestConnection::BuildConnectionString(ref, entry, missing));
    EXPECT_EQ(conn->State(), Connection::StateClosed);
    QString second = embeddedString(QStringLiteral("second.db"));
    EXPECT_TRUE(modTestConnection::BuildConnectionString(ref, entry, second));
    EXPECT_EQ(conn->ConnectionString(), second);
}

TEST_F(TestConnectionTest, RetryingWaitsForTheOperatorUntilAnAttemptSucceeds)
{
    const QString late = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("late.db"));
    bool command1EnabledWhileWaiting = false;
    int keysReachingOwner = 0;
    int waits = 0;
    int polls = 0;
    // Timers posted here die with this object, so none outlives the test.
    QObject context;
    // Runs from the dialog's event loop: the operator closes the window once, then the
    // database appears and the operator asks for another try.
    std::function<void()> operatorActs = [&] {
        QPointer<frmSQLServer> form = m_journal.lastForm;
        if (!form || !form->isVisible()) {
            if (++polls < 1000)
                QTimer::singleShot(0, &context, operatorActs);
            return;
        }
        ++waits;
        command1EnabledWhileWaiting = form->Command1()->isEnabled();
        // The owner window does not react while the dialog waits.
        KeyCounter counter(&m_owner);
        QTest::keyClick(&m_owner, Qt::Key_A);
        keysReachingOwner += counter.keys;
        if (waits == 1) {
            form->close(); // another attempt follows, whichever way the window went
            return;
        }
        embeddedString(QStringLiteral("late.db"));
        form->Command1()->click();
    };
    m_journal.onShow = [&] {
        if (m_journal.shown <= 2)
            QTimer::singleShot(0, &context, operatorActs);
    };
    auto conn = std::make_shared<Connection>();
    ConnectionRef ref = conn;
    QString text = late;
    EXPECT_TRUE(test(ref, text, true));
    EXPECT_EQ(waits, 2);
    EXPECT_TRUE(command1EnabledWhileWaiting);
    EXPECT_EQ(keysReachingOwner, 0);
    EXPECT_EQ(conn->State(), Connection::StateOpen);
    EXPECT_EQ(m_journal.created, 1);
    // Shown by the failed probe and again after each of the two waits.
    EXPECT_EQ(m_journal.shown, 3);
    expectCleanEnd();
}

TEST_F(TestConnectionTest, RetryingEndsWhenTheDialogIsDestroyedWhileWaiting)
{
    QObject context;
    m_journal.onShow = [&] { QTimer::singleShot(0, &context, [this] { delete m_journal.lastForm.data(); }); };
    auto conn = std::make_shared<Connection>();
    ConnectionRef ref = conn;
    QString text = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("never.db"));
    EXPECT_FALSE(test(ref, text, true));
    EXPECT_EQ(m_journal.created, 1);
    EXPECT_EQ(conn->State(), Connection::StateClosed);
    expectCleanEnd();
}

} // namespace

// The set-up window driven as an administrator would: each page's connection test against
// quorvet-tds-server, and "Guardar" writing a registry file that the real desk then checks a
// guest in with, with no QUORVET_CONNECTION_* variable set.
#include "data/connection.h"
#include "data/recordset.h"
#include "tests/support/tdsserverprocess.h"
#include "tests/support/testsupport.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "tools/setup/setupwindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Blanks at both ends, ';' and both quotes: each needs care in a connection string and a .reg file.
const QString Password = QStringLiteral(" S;nh\"a d'o ");

class SetupWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        DemoOptions options;
        options.directory = m_dir.filePath(QStringLiteral("set"));
        options.invitations = 0;
        options.members = 0;
        m_set = DemoDatabaseBuilder(options, QDate::currentDate()).build();
        const QString checkin = QDir(m_set).filePath(QStringLiteral("checkin.db"));
        const QString korda = QDir(m_set).filePath(QStringLiteral("korda.db"));
        ASSERT_TRUE(m_server.start({{QStringLiteral("Pelvrin"), checkin, {}},
                                    {QStringLiteral("ZELMAR"), checkin, {}},
                                    {QStringLiteral("KORDA"), korda, {checkin}}},
                                   {}, 0, Password))
            << m_server.error().toStdString();
        m_machineId = m_dir.filePath(QStringLiteral("machine-id"));
        QFile id(m_machineId);
        ASSERT_TRUE(id.open(QIODevice::WriteOnly));
        id.write("5e1f0a9b8c7d46e3a2b1c0d9e8f7a6b5\n");
        id.close();
        qputenv("QUORVET_MACHINE_ID_FILE", m_machineId.toUtf8());
        m_registry = m_dir.filePath(QStringLiteral("etc/registry.reg"));
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("etc"))));
    }
    void TearDown() override { qunsetenv("QUORVET_MACHINE_ID_FILE"); }

    QString source(quint16 port) const { return QStringLiteral("127.0.0.1\\SQLEXPRESS,%1").arg(port); }

    static void fill(SetupWindow::Page &p, const QString &server, const QString &catalog, const QString &password)
    {
        p.server->setText(server);
        p.catalog->setText(catalog);
        p.user->setText(TdsServerProcess::User);
        p.password->setText(password);
    }

    // Clicks "Testar ligação" and waits for the outcome; the page shows its progress meanwhile.
    static QString test(SetupWindow &w, int index)
    {
        SetupWindow::Page &p = w.page(index);
        QTest::mouseClick(p.test, Qt::LeftButton);
        EXPECT_FALSE(p.progress->isHidden());
        EXPECT_FALSE(p.cancel->isHidden());
        EXPECT_FALSE(p.test->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return p.progress->isHidden(); }, 30000));
        EXPECT_TRUE(p.test->isEnabled());
        return p.result->text();
    }

    QTemporaryDir m_dir;
    QString m_set;
    QString m_machineId;
    QString m_registry;
    TdsServerProcess m_server;
};

TEST_F(SetupWindowTest, TestarLigacaoTellsWhatTheServerSaid)
{
    // A port that was free a moment ago and has nothing listening on it.
    quint16 closedPort = 0;
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(s, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length), 0);
        closedPort = ntohs(address.sin_port);
        ::close(s);
    }
    const struct
    {
        QString server;
        QString catalog;
        QString password;
        QStringList said;
    } cases[] = {
        {source(m_server.port()),
         QStringLiteral("Pelvrin"),
         Password,
         {QStringLiteral("Ligação bem sucedida"), QStringLiteral("SQLite")}},
        {source(m_server.port()),
         QStringLiteral("Pelvrin"),
         QStringLiteral("errada"),
         {QStringLiteral("18456"), QStringLiteral("palavra-passe")}},
        {source(m_server.port()),
         QStringLiteral("Inexistente"),
         Password,
         {QStringLiteral("não tem a base de dados \"Inexistente\"")}},
        {source(closedPort),
         QStringLiteral("Pelvrin"),
         Password,
         {QStringLiteral("Nenhum SQL Server responde em 127.0.0.1, porta %1").arg(closedPort)}},
        {QStringLiteral("sem-nome.invalid,1433"),
         QStringLiteral("Pelvrin"),
         Password,
         {QStringLiteral("O computador \"sem-nome.invalid\" não foi encontrado na rede")}},
    };
    SetupWindow w(m_registry, QString());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.server.toStdString() + " " + c.catalog.toStdString() + " " + c.password.toStdString());
        fill(w.page(1), c.server, c.catalog, c.password);
        const QString said = test(w, 1);
        for (const QString &part : c.said)
            EXPECT_TRUE(said.contains(part)) << said.toStdString();
    }

    // Cancelled, a test leaves the page at once and its late outcome is not shown.
    m_server.freeze();
    fill(w.page(2), source(m_server.port()), QStringLiteral("KORDA"), Password);
    QTest::mouseClick(w.page(2).test, Qt::LeftButton);
    QTest::mouseClick(w.page(2).cancel, Qt::LeftButton);
    EXPECT_TRUE(w.page(2).progress->isHidden());
    EXPECT_EQ(w.page(2).result->text(), QStringLiteral("Teste cancelado."));
    m_server.thaw();
    QTest::qWait(300);
    EXPECT_EQ(w.page(2).result->text(), QStringLiteral("Teste cancelado."));
}

#ifdef QUORVET_DESK_EXE
TEST_F(SetupWindowTest, GuardarWritesAFileTheDeskChecksAGuestInWith)
{
    {
        SetupWindow w(m_registry, QString());
        const QString catalogs[] = {QStringLiteral("Pelvrin"), QStringLiteral("ZELMAR"), QStringLiteral("KORDA")};
        ASSERT_EQ(w.pageCount(), 3);
        for (int i = 0; i < 3; ++i)
            fill(w.page(i), source(m_server.port()), catalogs[i], Password);
        QTest::mouseClick(w.saveButton(), Qt::LeftButton);
        EXPECT_EQ(w.status()->text(), QStringLiteral("Guardado em %1.").arg(m_registry));
        EXPECT_TRUE(w.page(0).password->text().isEmpty()); // never shown back
    }
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(m_registry).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    QFile saved(m_registry);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_FALSE(text.contains("S;nh")) << text.constData();
    EXPECT_TRUE(text.contains("\"dtPassword\"=\"qv1:")) << text.constData();

    // The real desk, with nothing but the file (and the machine identity) to go by.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QUORVET_CONNECTION_SQLSERVER", "QUORVET_CONNECTION_ZELMAR", "QUORVET_CONNECTION_KORDA"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("QUORVET_REGISTRY_FILE"), m_registry);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=") + TestSupport::writeScreenConfig(m_dir.path()));
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.filePath(QStringLiteral("desk-state")));
    env.insert(QStringLiteral("QUORVET_COMMON_APPDATA"), m_dir.filePath(QStringLiteral("desk-appdata")));
    QProcess desk;
    desk.setProcessEnvironment(env);
    desk.start(QStringLiteral(QUORVET_DESK_EXE),
               {QStringLiteral("--screenshot"), m_dir.filePath(QStringLiteral("shot.png")), QStringLiteral("--checkin"),
                QStringLiteral("1001")});
    ASSERT_TRUE(desk.waitForFinished(60000));
    EXPECT_EQ(desk.exitCode(), 0) << desk.readAllStandardError().constData();
    Connection checkin;
    checkin.Open(QStringLiteral("Provider=SQLite;Data Source=") + QDir(m_set).filePath(QStringLiteral("checkin.db")));
    const RecordsetRef rs = checkin.Execute(
        QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_no = '1001'"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_TRUE(rs->Fields(0).Value().isDateValue()) << rs->Fields(0).Value().toText().toStdString();
    EXPECT_EQ(m_server.refusedLogins(), 0);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("desk-state/quorvet/error-reports.log"))));

    // Opened again, the window shows what the file holds; a blank password keeps the stored one.
    SetupWindow again(m_registry, QString());
    EXPECT_EQ(again.page(2).server->text(), source(m_server.port()));
    EXPECT_EQ(again.page(2).catalog->text(), QStringLiteral("KORDA"));
    EXPECT_EQ(again.page(2).securityInfo->currentText(), QStringLiteral("True"));
    EXPECT_TRUE(again.page(2).password->text().isEmpty());
    EXPECT_TRUE(test(again, 2).startsWith(QStringLiteral("Ligação bem sucedida")));
}
#endif

} // namespace

// quorvet --check-server on a demo set, on the embedded store and through the FreeTDS driver
// to quorvet-tds-server: all ok on the set as built; a view, a column, an index and KORDA's
// view of tbConvites taken away are each named; a server that is down fails its logins.
#include "tests/app/deskfixture.h"

#include "app/servercheck.h"
#include "tests/support/tdsserverprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

class ServerCheckTest : public DeskFixture, public ::testing::WithParamInterface<const char *>
{
protected:
    bool overTds() const { return QString::fromLatin1(GetParam()) == QLatin1String("SqlServer"); }

    // Points the three connections at the set, through the test server when the case asks;
    // kordaSeesInvitations false leaves tbConvites out of KORDA's catalog.
    void serve(bool kordaSeesInvitations = true)
    {
        const QStringList kordaAttached = kordaSeesInvitations ? QStringList{checkinDb()} : QStringList{};
        if (!overTds()) {
            if (!kordaSeesInvitations)
                qputenv("QUORVET_CONNECTION_KORDA",
                        (QStringLiteral("Provider=SQLite;Data Source=") + kordaDb()).toUtf8());
            return;
        }
        ASSERT_TRUE(m_server.start({{QStringLiteral("Pelvrin"), checkinDb(), {}},
                                    {QStringLiteral("ZELMAR"), checkinDb(), {}},
                                    {QStringLiteral("KORDA"), kordaDb(), kordaAttached}}))
            << m_server.error().toStdString();
        qputenv("QUORVET_CONNECTION_SQLSERVER", m_server.connectionString(QStringLiteral("Pelvrin")).toUtf8());
        qputenv("QUORVET_CONNECTION_ZELMAR", m_server.connectionString(QStringLiteral("ZELMAR")).toUtf8());
        qputenv("QUORVET_CONNECTION_KORDA", m_server.connectionString(QStringLiteral("KORDA")).toUtf8());
    }

    static QString all(const std::vector<ServerCheck::Line> &lines)
    {
        QString text;
        for (const ServerCheck::Line &line : lines)
            text += ServerCheck::text(line) + QLatin1Char('\n');
        return text;
    }

    // The line of that status whose connection is given and whose text holds every word.
    static bool has(const std::vector<ServerCheck::Line> &lines, ServerCheck::Status status, const QString &connection,
                    const QStringList &words)
    {
        for (const ServerCheck::Line &line : lines) {
            bool all = line.status == status && line.connection == connection;
            for (const QString &word : words)
                all = all && ServerCheck::text(line).contains(word);
            if (all)
                return true;
        }
        return false;
    }

    TdsServerProcess m_server;
};

TEST_P(ServerCheckTest, TheDemoSetPassesEveryCheckAndNothingChanges)
{
    serve();
    const Value entered = scalar(checkinDb(),
                                 QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NOT NULL"));
    const Value total = scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites"));
    const QString before
        = scalar(checkinDb(), QStringLiteral("SELECT group_concat(checked_in) FROM tbConvites")).toText();

    const std::vector<ServerCheck::Line> lines = ServerCheck().run();
    const QString report = all(lines);
    EXPECT_EQ(ServerCheck::exitCode(lines), 0) << report.toStdString();
    for (const ServerCheck::Line &line : lines)
        EXPECT_EQ(line.status, ServerCheck::Status::Ok) << ServerCheck::text(line).toStdString();
    // Each connection says who it talks to; the write was tried; the numbers are the set's.
    for (const QString &name : {QStringLiteral("SqlServer"), QStringLiteral("ZELMAR"), QStringLiteral("KORDA")})
        EXPECT_TRUE(has(lines, ServerCheck::Status::Ok, name,
                        {QStringLiteral("ligação: "), QStringLiteral("colação SQL_Latin1_General_CP1_CI_AS")}))
            << report.toStdString();
    EXPECT_TRUE(has(lines, ServerCheck::Status::Ok, QStringLiteral("KORDA"), {QStringLiteral("lista de VIPs")}));
    EXPECT_TRUE(has(lines, ServerCheck::Status::Ok, QStringLiteral("SqlServer"),
                    {QStringLiteral("escrita de tbConvites.checked_in")}));
    EXPECT_TRUE(has(lines, ServerCheck::Status::Ok, QStringLiteral("SqlServer"),
                    {QStringLiteral("%1 convites, %2 já entraram").arg(total.toLong()).arg(entered.toLong())}))
        << report.toStdString();
    EXPECT_EQ(scalar(checkinDb(), QStringLiteral("SELECT group_concat(checked_in) FROM tbConvites")).toText(), before);
}

TEST_P(ServerCheckTest, AMissingViewColumnIndexAndKordasInvitationsAreEachNamed)
{
    exec(kordaDb(), QStringLiteral("DROP VIEW vwAssociados_Completos"));
    exec(checkinDb(), QStringLiteral("ALTER TABLE tbConvites DROP COLUMN call_in"));
    exec(checkinDb(), QStringLiteral("DROP INDEX ixConvites_checked_in"));
    serve(false);

    const std::vector<ServerCheck::Line> lines = ServerCheck().run();
    const QString report = all(lines);
    EXPECT_EQ(ServerCheck::exitCode(lines), 1);
    using S = ServerCheck::Status;
    EXPECT_TRUE(has(lines, S::Failure, QStringLiteral("KORDA"), {QStringLiteral("vwAssociados_Completos")}))
        << report.toStdString();
    EXPECT_TRUE(has(lines, S::Failure, QStringLiteral("SqlServer"),
                    {QStringLiteral("leitura do convite"), QStringLiteral("call_in")}))
        << report.toStdString();
    EXPECT_TRUE(has(lines, S::Failure, QStringLiteral("KORDA"),
                    {QStringLiteral("lista de VIPs"), QStringLiteral("tbConvites")}))
        << report.toStdString();
    EXPECT_TRUE(
        has(lines, S::Warning, QStringLiteral("SqlServer"),
            {QStringLiteral("tbConvites (checked_in, base_dados, socio_id)"), QStringLiteral("contagem de entradas")}))
        << report.toStdString();
    // ZELMAR's view is still there: only what is missing fails.
    EXPECT_TRUE(has(lines, S::Ok, QStringLiteral("ZELMAR"), {QStringLiteral("ficha do sócio por número:")}));
}

INSTANTIATE_TEST_SUITE_P(Providers, ServerCheckTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

class ServerCheckOverTds : public ServerCheckTest
{};

TEST_F(ServerCheckOverTds, AServerThatIsDownFailsEveryLogin)
{
    ASSERT_TRUE(m_server.start({{QStringLiteral("Pelvrin"), checkinDb(), {}}})) << m_server.error().toStdString();
    const QString string = m_server.connectionString(QStringLiteral("Pelvrin"));
    m_server.stop();
    for (const char *name : {"QUORVET_CONNECTION_SQLSERVER", "QUORVET_CONNECTION_ZELMAR", "QUORVET_CONNECTION_KORDA"})
        qputenv(name, (string + QStringLiteral(";Connect Timeout=2")).toUtf8());

    const std::vector<ServerCheck::Line> lines = ServerCheck().run();
    EXPECT_EQ(ServerCheck::exitCode(lines), 1);
    ASSERT_EQ(lines.size(), 3u) << all(lines).toStdString();
    for (const ServerCheck::Line &line : lines)
        EXPECT_TRUE(line.status == ServerCheck::Status::Failure
                    && ServerCheck::text(line).contains(QStringLiteral("não foi possível ligar ao servidor")))
            << ServerCheck::text(line).toStdString();
}

class ServerCheckProgram : public DeskFixture
{};

// The real program, without a display: text on the demo set, JSON on a set KORDA cannot
// read the VIP list from.
TEST_F(ServerCheckProgram, ChecksTheServerWithoutAWindow)
{
    struct
    {
        bool broken;
        QStringList arguments;
        int status;
    } cases[] = {{false, {QStringLiteral("--check-server")}, 0},
                 {true, {QStringLiteral("--check-server"), QStringLiteral("--json")}, 1}};
    for (const auto &c : cases) {
        if (c.broken)
            qputenv("QUORVET_CONNECTION_KORDA", (QStringLiteral("Provider=SQLite;Data Source=") + kordaDb()).toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess desk;
        desk.setProcessEnvironment(env);
        desk.start(QStringLiteral(QUORVET_DESK_EXE), c.arguments);
        ASSERT_TRUE(desk.waitForFinished(30000));
        const QString out = QString::fromUtf8(desk.readAllStandardOutput());
        EXPECT_EQ(desk.exitCode(), c.status) << out.toStdString() << desk.readAllStandardError().toStdString();
        if (!c.broken) {
            EXPECT_GT(out.count(QLatin1Char('\n')), 20) << out.toStdString();
            for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                EXPECT_TRUE(line.startsWith(QStringLiteral("ok    "))) << line.toStdString();
        } else {
            const QJsonObject json = QJsonDocument::fromJson(out.toUtf8()).object();
            EXPECT_EQ(json.value(QStringLiteral("ok")), QJsonValue(false)) << out.toStdString();
            EXPECT_TRUE(out.contains(QStringLiteral("\"FALHA\""))) << out.toStdString();
        }
    }
}

} // namespace

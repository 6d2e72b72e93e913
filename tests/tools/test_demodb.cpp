// quorvet-demo-db run as a process into temporary folders: what it creates, what it prints,
// and that it never overwrites a set unless told to.
#include "platform/runtimeerror.h"
#include "tests/tools/sqlitereader.h"
#include "tools/demodb/bulkdata.h"
#include "tools/demodb/democommandline.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "tools/demodb/demoenvironment.h"
#include "tools/demodb/demosamples.h"
#include "tools/demodb/portraits.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUORVET_DEMO_DB_EXE), arguments);
    ToolRun run;
    if (!process.waitForFinished(90000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "quorvet-demo-db did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// What a POSIX shell makes of the printed lines.
QString evalInShell(const QString &lines, const QString &variable)
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("set -a; eval \"$1\"; sh -c 'printf %s \"$") + variable + QStringLiteral("\"'"),
                 QStringLiteral("sh"), lines});
    shell.waitForFinished(30000);
    return QString::fromUtf8(shell.readAllStandardOutput());
}

TEST(DemoDbTool, BuildsTheRequestedSizeAndPrintsTheConnections)
{
    QTemporaryDir temp;
    const QString dir = temp.filePath(QStringLiteral("demo set"));
    const ToolRun run = runTool({dir, QStringLiteral("--invitations"), QStringLiteral("20000"),
                                 QStringLiteral("--members"), QStringLiteral("250"), QStringLiteral("--print-env")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(evalInShell(run.out, QStringLiteral("QUORVET_CONNECTION_SQLSERVER")),
              QStringLiteral("Provider=SQLite;Data Source=") + dir + QStringLiteral("/checkin.db"));
    EXPECT_EQ(evalInShell(run.out, QStringLiteral("QUORVET_CONNECTION_ZELMAR")),
              QStringLiteral("Provider=SQLite;Data Source=") + dir + QStringLiteral("/checkin.db"));
    EXPECT_EQ(evalInShell(run.out, QStringLiteral("QUORVET_CONNECTION_KORDA")),
              QStringLiteral("Provider=SQLite;Data Source=") + dir + QStringLiteral("/korda.db;Attach=") + dir
                  + QStringLiteral("/checkin.db"));

    const int samples = int(DemoSamples::invitations(QDate::currentDate()).size());
    SqliteReader checkin(dir + QStringLiteral("/checkin.db"));
    EXPECT_EQ(checkin.rows(QStringLiteral("SELECT count(*), min(CAST(convite_no AS INTEGER)), max(CAST(convite_no AS "
                                          "INTEGER)) FROM tbConvites WHERE convite_id > %1")
                               .arg(samples)),
              QList<QStringList>({{"20000", "200000", "219999"}}));
    EXPECT_EQ(checkin.rows(QStringLiteral("SELECT count(*) FROM tbConvites")).value(0).value(0),
              QString::number(20000 + samples));
    EXPECT_EQ(checkin.rows(QStringLiteral("SELECT count(*) FROM vwAssociados_Completos")).value(0).value(0),
              QString::number(250 + 9));

    // Every generated member invitation names the very member it points at.
    checkin.exec(QStringLiteral("ATTACH '") + dir + QStringLiteral("/korda.db' AS korda"));
    for (const QString &schema : {QStringLiteral("main"), QStringLiteral("korda")}) {
        const QString database = schema == QStringLiteral("main") ? QStringLiteral("1") : QStringLiteral("2");
        const QList<QStringList> counts = checkin.rows(
            QStringLiteral(
                "SELECT count(*), count(v.contacto_id), sum(v.no_empresa = c.no_tap AND v.nome_union = c.nome) "
                "FROM main.tbConvites c LEFT JOIN %1.vwAssociados_Completos v ON v.contacto_id = c.socio_id "
                "WHERE c.convite_id > %2 AND c.socio_id IS NOT NULL AND c.base_dados = %3")
                .arg(schema)
                .arg(samples)
                .arg(database));
        ASSERT_EQ(counts.size(), 1);
        EXPECT_GT(counts[0][0].toInt(), 5000);
        EXPECT_EQ(counts[0][1], counts[0][0]);
        EXPECT_EQ(counts[0][2], counts[0][0]);
    }
    EXPECT_TRUE(QDir(dir).entryList({QStringLiteral(".quorvet-demo-db-*")}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(DemoDbTool, RefusesToOverwriteWithoutForce)
{
    QTemporaryDir temp;
    const QString dir = temp.filePath(QStringLiteral("set"));
    ASSERT_EQ(runTool({dir, QStringLiteral("--invitations"), QStringLiteral("10")}).exitCode, 0);
    {
        SqliteReader checkin(dir + QStringLiteral("/checkin.db"));
        checkin.exec(QStringLiteral("INSERT INTO tbConvites (convite_no, nome) VALUES ('marker', 'kept')"));
    }

    const ToolRun refused = runTool({dir});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--force"))) << refused.err.toStdString();
    {
        SqliteReader checkin(dir + QStringLiteral("/checkin.db"));
        EXPECT_EQ(checkin.rows(QStringLiteral("SELECT nome FROM tbConvites WHERE convite_no = 'marker'")).size(), 1);
    }
    // One piece of a set is enough to refuse.
    QTemporaryDir partial;
    ASSERT_TRUE(QDir(partial.path()).mkdir(QStringLiteral("archive-korda")));
    EXPECT_EQ(runTool({partial.path()}).exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(partial.filePath(QStringLiteral("checkin.db"))));

    const ToolRun forced = runTool(
        {dir, QStringLiteral("--force"), QStringLiteral("--invitations"), QStringLiteral("10")});
    ASSERT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    SqliteReader checkin(dir + QStringLiteral("/checkin.db"));
    EXPECT_EQ(checkin.rows(QStringLiteral("SELECT nome FROM tbConvites WHERE convite_no = 'marker'")).size(), 0);
    EXPECT_EQ(checkin.rows(QStringLiteral("SELECT nome FROM tbConvites WHERE convite_no = '1012'")).value(0).value(0),
              QStringLiteral("Joana D'Almeida"));
}

TEST(DemoDbTool, ListAndCommandLineErrors)
{
    const ToolRun list = runTool({QStringLiteral("--list")});
    EXPECT_EQ(list.exitCode, 0);
    for (const DemoSamples::Invitation &invitation : DemoSamples::invitations(QDate::currentDate()))
        EXPECT_TRUE(list.out.contains(invitation.conviteNo + QLatin1Char(' '))) << invitation.conviteNo.toStdString();
    EXPECT_TRUE(list.out.contains(QStringLiteral("Convite OK! (CALL: X1)")));

    EXPECT_EQ(runTool({}).exitCode, 2);
    EXPECT_EQ(runTool({QStringLiteral("/tmp/x"), QStringLiteral("--members"), QStringLiteral("many")}).exitCode, 2);

    const auto parse = [](QStringList arguments) {
        arguments.prepend(QStringLiteral("quorvet-demo-db"));
        return DemoCommandLine::parse(arguments);
    };
    const DemoCommandLine::Parsed good = parse({QStringLiteral("d"), QStringLiteral("--members"),
                                                QStringLiteral("100000"), QStringLiteral("--seed"), QStringLiteral("7"),
                                                QStringLiteral("--force")});
    EXPECT_TRUE(good.error.isEmpty());
    EXPECT_EQ(good.options.members, 100000);
    EXPECT_EQ(good.options.seed, 7u);
    EXPECT_TRUE(good.options.force);
    EXPECT_FALSE(parse({QStringLiteral("d"), QStringLiteral("--invitations"), QStringLiteral("-5")}).error.isEmpty());
    EXPECT_FALSE(parse({QStringLiteral("d"), QStringLiteral("e")}).error.isEmpty());
    EXPECT_FALSE(parse({QStringLiteral("d"), QStringLiteral("--bogus")}).error.isEmpty());
}

TEST(DemoDbTool, FoldersAConnectionStringCannotCarryAreRefused)
{
    QTemporaryDir temp;
    DemoOptions options;
    options.directory = temp.filePath(QStringLiteral("a;b"));
    EXPECT_THROW(DemoDatabaseBuilder(options).build(), RuntimeError);
    EXPECT_FALSE(QFileInfo::exists(options.directory));

    // Quotes in a path survive the shell.
    const QString awkward = QStringLiteral("/tmp/it's a \"demo\" $HOME");
    EXPECT_EQ(evalInShell(DemoEnvironment::shellLines(awkward).join(QLatin1Char('\n')),
                          QStringLiteral("QUORVET_CONNECTION_ZELMAR")),
              QStringLiteral("Provider=SQLite;Data Source=") + awkward + QStringLiteral("/checkin.db"));
}

TEST(DemoDbTool, GeneratedDataIsReproducibleAndPortraitsDecode)
{
    const BulkData::MemberRow a = BulkData::member(DemoSamples::Korda, 42, 9);
    const BulkData::MemberRow b = BulkData::member(DemoSamples::Korda, 42, 9);
    EXPECT_EQ(a.nome, b.nome);
    EXPECT_EQ(a.dnascimento, b.dnascimento);
    EXPECT_EQ(a.contactoId, DemoSamples::KordaBulkContactBase + 42);
    int differing = 0;
    for (int i = 0; i < 20; ++i)
        differing += BulkData::member(DemoSamples::Korda, i, 9).nome
                     != BulkData::member(DemoSamples::Korda, i, 10).nome;
    EXPECT_GT(differing, 10);

    EXPECT_EQ(Portraits::initials(QStringLiteral("Joana D'Almeida")), QStringLiteral("JD"));
    EXPECT_EQ(Portraits::initials(QStringLiteral("  ana  ")), QStringLiteral("A"));
    QTemporaryDir temp;
    const QString file = temp.filePath(QStringLiteral("a/b/portrait.jpg"));
    Portraits::writePortrait(file, QStringLiteral("Inês Matos"));
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(Portraits::Width, Portraits::Height));
    const QString broken = temp.filePath(QStringLiteral("broken.jpg"));
    Portraits::writeBroken(broken, 3);
    EXPECT_TRUE(QImage(broken).isNull());
}

} // namespace

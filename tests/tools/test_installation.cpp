// What the package installs explains itself: every installed program run as a process answers
// --help, --version and a wrong option the same way, without a display; and the example
// registry file in the documentation reads without a problem.
#include "platform/registryfile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char *program;
    const char *executable;
    QStringList arguments;
    int status;
    QStringList helpSections; // for --help: the sections it must hold
};

const QString Help = QStringLiteral("--help");
const QString Version = QStringLiteral("--version");
const QStringList AllSections{QStringLiteral("\nOptions:\n"), QStringLiteral("\nEnvironment:\n"),
                              QStringLiteral("\nFiles:\n")};
const QStringList NoEnvironment{QStringLiteral("\nOptions:\n"), QStringLiteral("\nFiles:\n")};

const Case Cases[] = {
    {"quorvet", QUORVET_DESK_EXE, {Help}, 0, AllSections},
    {"quorvet", QUORVET_DESK_EXE, {Version}, 0, {}},
    {"quorvet", QUORVET_DESK_EXE, {QStringLiteral("--bogus")}, 2, {}},
    {"quorvet-passwd", QUORVET_PASSWD_TOOL, {QStringLiteral("-h")}, 0, AllSections},
    {"quorvet-passwd", QUORVET_PASSWD_TOOL, {Version}, 0, {}},
    {"quorvet-passwd", QUORVET_PASSWD_TOOL, {QStringLiteral("stray")}, 2, {}},
    {"quorvet-demo-db", QUORVET_DEMO_DB_EXE, {Help}, 0, NoEnvironment},
    {"quorvet-demo-db", QUORVET_DEMO_DB_EXE, {QStringLiteral("/tmp/x"), Version}, 0, {}},
    {"quorvet-demo-db", QUORVET_DEMO_DB_EXE, {QStringLiteral("--bogus"), Help}, 2, {}},
    {"quorvet-journal", QUORVET_JOURNAL_TOOL, {Help}, 0, AllSections},
    {"quorvet-journal", QUORVET_JOURNAL_TOOL, {Version}, 0, {}},
    {"quorvet-journal", QUORVET_JOURNAL_TOOL, {QStringLiteral("--csv"), QStringLiteral("--json")}, 2, {}},
    {"quorvet-setup", QUORVET_SETUP_TOOL, {Help}, 0, AllSections},
    {"quorvet-setup", QUORVET_SETUP_TOOL, {Version}, 0, {}},
    {"quorvet-setup", QUORVET_SETUP_TOOL, {QStringLiteral("stray")}, 2, {}},
};

TEST(InstalledPrograms, AnswerHelpVersionAndWrongOptionsWithoutADisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        environment.remove(QString::fromLatin1(name));
    // A checkout reports its commit; a source tarball only the version.
    const bool fromGit = QFileInfo::exists(QStringLiteral(QUORVET_SOURCE_DIR "/.git"));
    for (const Case &c : Cases) {
        const QString program = QString::fromLatin1(c.program);
        SCOPED_TRACE((program + QLatin1Char(' ') + c.arguments.join(QLatin1Char(' '))).toStdString());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QString::fromLatin1(c.executable), c.arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), c.status) << err.toStdString();
        if (c.status == 2) {
            EXPECT_TRUE(out.isEmpty());
            EXPECT_TRUE(err.startsWith(program + QStringLiteral(": "))) << err.toStdString();
            EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        } else if (c.arguments.contains(Version)) {
            const QRegularExpression line(QStringLiteral("^%1 %2( \\(commit [0-9a-f]{12}(-dirty)?\\))?\n$")
                                              .arg(QRegularExpression::escape(program),
                                                   QRegularExpression::escape(QStringLiteral(QUORVET_VERSION))));
            const QRegularExpressionMatch match = line.match(out);
            EXPECT_TRUE(match.hasMatch()) << out.toStdString();
            EXPECT_EQ(match.capturedLength(1) > 0, fromGit) << out.toStdString();
        } else {
            EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: ") + program + QLatin1Char(' '))) << out.toStdString();
            for (const QString &section : c.helpSections)
                EXPECT_TRUE(out.contains(section)) << section.toStdString();
            EXPECT_TRUE(out.contains(QStringLiteral("  -h, --help ")));
            EXPECT_TRUE(out.contains(QStringLiteral("  --version ")));
        }
    }
}

TEST(InstalledPrograms, TheExampleRegistryFileReadsWithoutAProblem)
{
    QFile example(QStringLiteral(QUORVET_SOURCE_DIR "/packaging/registry.reg"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const RegistryFile file = RegistryFile::parse(example.readAll());
    for (const RegistryFile::Problem &problem : file.problems())
        ADD_FAILURE() << "line " << problem.line << ": " << problem.reason.toStdString();
    // A backslash is written twice in the file and read once.
    const RegistryFile::Value *source = file.value(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Korda"),
                                                   QStringLiteral("dtDataSource"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->data, QByteArray("dbhost\\SQLEXPRESS,1433") + '\0');
}

} // namespace

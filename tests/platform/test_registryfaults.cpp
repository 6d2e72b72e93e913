// Registry and shadow files in a bad state: a registry file of garbage bytes, cut-off UTF-16
// or huge lines is read without harm and its faults are told once; a shadow file that cannot
// be rewritten because the disk is full stays as it was.
#include "platform/modregistry.h"
#include "platform/registryfile.h"
#include "platform/shadowfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString SqlServer = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer");

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class RegistryFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(RegistryFile::defaultPath());
        QDir(ShadowFile::folder()).removeRecursively();
        TestSupport::clearErrorReports();
    }
    void TearDown() override
    {
        QFile::remove(RegistryFile::defaultPath());
        QDir(ShadowFile::folder()).removeRecursively();
    }

    // Reads one value three times, as a connection test does, and gives the reports written.
    static QList<QJsonObject> readThrice(RegResult *result)
    {
        TestSupport::clearErrorReports();
        for (int i = 0; i < 3; ++i) {
            QString path = SqlServer;
            *result = modRegistry::ValorString(path, QStringLiteral("dtUser"));
        }
        return TestSupport::errorReports();
    }
};

TEST_F(RegistryFaults, GarbageCutUtf16AndHugeLinesAreReadWithoutHarmAndToldOnce)
{
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(20261208);
    for (char &c : garbage)
        c = char(random.bounded(256));

    QByteArray utf16("\xFF\xFE", 2);
    for (const char c : QByteArray("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\"
                                   "SqlServer]\r\n\"dtUser\"=\"sa\"\r\n")) {
        utf16.append(c);
        utf16.append('\0');
    }
    const QByteArray cutUtf16 = utf16.left(utf16.size() - 11); // ends inside a character of the value line

    const QByteArray huge = "Windows Registry Editor Version 5.00\n[" + QByteArray(4 * 1024 * 1024, 'K') + "]\n\""
                            + QByteArray(2 * 1024 * 1024, 'n') + "\"=\"" + QByteArray(2 * 1024 * 1024, 'v') + "\n";

    const struct
    {
        const char *name;
        QByteArray content;
        bool capped; // so many faulty lines that the rest are told as a count
    } files[] = {{"garbage", garbage, true}, {"cut UTF-16", cutUtf16, false}, {"huge lines", huge, false}};
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        writeFile(RegistryFile::defaultPath(), f.content);
        RegResult value;
        const QList<QJsonObject> reports = readThrice(&value);
        EXPECT_TRUE(value.isNull());
        // Once for each faulty line, not at each of the three reads, and never a flood.
        ASSERT_FALSE(reports.isEmpty());
        EXPECT_LE(reports.size(), 11);
        QSet<QString> messages;
        for (const QJsonObject &r : reports) {
            EXPECT_EQ(r.value(QStringLiteral("source")).toString(), QStringLiteral("modRegistry"));
            const QString message = r.value(QStringLiteral("message")).toString();
            EXPECT_LT(message.size(), 1000);
            EXPECT_FALSE(messages.contains(message)) << qPrintable(message);
            messages.insert(message);
        }
        EXPECT_EQ(reports.size() == 11, f.capped);
        EXPECT_EQ(reports.last()
                      .value(QStringLiteral("message"))
                      .toString()
                      .contains(QStringLiteral("more faulty lines skipped")),
                  f.capped);
        // The same bytes read again are not told again.
        EXPECT_TRUE(readThrice(&value).isEmpty());
    }
}

TEST_F(RegistryFaults, AShadowRewriteOnAFullDiskReturnsFalseAndLeavesTheOldFile)
{
    ASSERT_TRUE(QDir().mkpath(ShadowFile::folder()));
    const QByteArray content = "Other:x=1\r\n" + SqlServer.toUtf8() + ":dtUser=old\r\n";
    writeFile(ShadowFile::path(), content);

    // A file size limit makes every write past a few bytes fail as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool written = modRegistry::GravarValorSombra(SqlServer, QStringLiteral("dtUser"), QStringLiteral("new"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readFile(ShadowFile::path()), content);
    EXPECT_FALSE(QFile::exists(ShadowFile::folder() + QStringLiteral("/RegShadow.tmp")));
    EXPECT_EQ(modRegistry::LerValorSombra(SqlServer, QStringLiteral("dtUser")), QStringLiteral("old"));

    // With room again the same rewrite goes through.
    EXPECT_TRUE(modRegistry::GravarValorSombra(SqlServer, QStringLiteral("dtUser"), QStringLiteral("new")));
    EXPECT_EQ(modRegistry::LerValorSombra(SqlServer, QStringLiteral("dtUser")), QStringLiteral("new"));
}

} // namespace

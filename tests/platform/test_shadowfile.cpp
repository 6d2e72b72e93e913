#include "platform/modregistry.h"
#include "platform/shadowfile.h"
#include "tests/support/testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const QString Sql = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class ShadowFileTest : public ::testing::Test
{
protected:
    void SetUp() override { QDir(ShadowFile::folder()).removeRecursively(); }
    void TearDown() override { SetUp(); }

    void shadow(const QByteArray &content)
    {
        ASSERT_TRUE(QDir().mkpath(ShadowFile::folder()));
        QFile file(ShadowFile::path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
};

TEST(ShadowFileContent, LookupTakesTheFirstLineWithThePrefixCaseAside)
{
    const QString prefix = ShadowFile::entryPrefix(Sql, QStringLiteral("dtUser"));
    EXPECT_EQ(prefix, Sql + QStringLiteral(":dtUser="));
    EXPECT_EQ(ShadowFile::findEntry("a:b=c\r\nHKEY_LOCAL_MACHINE\\software\\halvorix\\sqlserver:DTUSER=first\r\n"
                                        + prefix.toUtf8() + "second\r\n",
                                    prefix),
              QStringLiteral("first"));
    // Lines end at CR, CR LF or LF, and the last one needs no end.
    EXPECT_EQ(ShadowFile::findEntry("x=1\r" + prefix.toUtf8() + "cr", prefix), QStringLiteral("cr"));
    EXPECT_EQ(ShadowFile::findEntry("x=1\n" + prefix.toUtf8() + "  lf  \n", prefix), QStringLiteral("  lf  "));
    EXPECT_EQ(ShadowFile::findEntry(prefix.toUtf8() + "Configura\xc3\xa7\xc3\xa3o\r\n", prefix),
              QStringLiteral("Configura\u00e7\u00e3o"));
    EXPECT_EQ(ShadowFile::findEntry(QByteArray(), prefix), QString());
    EXPECT_EQ(ShadowFile::findEntry("\r\n" + prefix.toUtf8() + "hidden\r\n", prefix), QString());
    EXPECT_EQ(ShadowFile::findEntry(Sql.toUtf8() + ":dtUserX=longer name\r\n", prefix), QString());
}

// A line longer than a lookup reads is passed over, even when it begins with the entry's
// prefix, and the error log hears of it once however many lookups meet it.
TEST_F(ShadowFileTest, AnOverlongLineIsSkippedAndReportedOnce)
{
    const QByteArray prefix = ShadowFile::entryPrefix(Sql, QStringLiteral("dtUser")).toUtf8();
    const QByteArray huge = prefix + QByteArray(ShadowFile::MaxLineLength, 'x');
    const struct
    {
        QByteArray content;
        const char *expected;
    } cases[] = {
        {huge + "\r\n" + prefix + "sa\r\n", "sa"},
        {"a:b=c\n" + huge + "\n", ""},
        {"a:b=c\r" + huge, ""},
        {prefix + QByteArray(ShadowFile::MaxLineLength - prefix.size(), 'y') + "\r\n", nullptr}, // just fits
    };
    for (const auto &c : cases) {
        shadow(c.content);
        TestSupport::clearErrorReports();
        const QString expected = c.expected ? QString::fromLatin1(c.expected)
                                            : QString(ShadowFile::MaxLineLength - prefix.size(), QLatin1Char('y'));
        EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("dtUser")), expected);
        EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("dtUser")), expected);
        const QList<QJsonObject> reports = TestSupport::errorReports();
        ASSERT_EQ(reports.size(), c.expected ? 1 : 0);
        if (c.expected) {
            EXPECT_TRUE(reports.first().value(QStringLiteral("message")).toString().contains(QLatin1String("line")));
        }
        QFile::remove(ShadowFile::path()); // a new file at the same path is told of again
    }
}

TEST(ShadowFileContent, SplittingKeepsEmptyLinesButNoPhantomLastLine)
{
    EXPECT_EQ(ShadowFile::splitLines("a\r\n\r\nb\r\n"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_EQ(ShadowFile::splitLines("a\r\r\nb"), (QList<QByteArray>{"a", "", "b"}));
    EXPECT_TRUE(ShadowFile::splitLines("").isEmpty());
}

TEST_F(ShadowFileTest, AnEntryInAnotherCaseIsReplacedAndUnrelatedLinesKeepTheirOrder)
{
    shadow("First:a=1\r\n"
           "hkey_local_machine\\software\\halvorix\\sqlserver:DTUSER=old\r\n"
           "Middle:b=2\n"
           "\xff\xfe not text\r\n"
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer:dtUser=duplicate\r\n"
           "Last:c=3");
    EXPECT_TRUE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("new")));
    EXPECT_EQ(readFile(ShadowFile::path()), QByteArray("First:a=1\r\n" + Sql.toUtf8()
                                                       + ":dtUser=new\r\n"
                                                         "Middle:b=2\r\n"
                                                         "\xff\xfe not text\r\n"
                                                         "Last:c=3\r\n"));
    EXPECT_FALSE(QFileInfo::exists(ShadowFile::folder() + QStringLiteral("/RegShadow.tmp")));
    EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("DTUSER")), QStringLiteral("new"));
}

TEST_F(ShadowFileTest, AnIdenticalEntryLeavesTheFileUntouched)
{
    const QByteArray content = "First:a=1\n" + Sql.toUtf8() + ":dtUser=sa\r\nLast:c=3";
    shadow(content);
    const QDateTime past = QDateTime::fromString(QStringLiteral("2020-01-02T03:04:05Z"), Qt::ISODate);
    {
        QFile file(ShadowFile::path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    EXPECT_TRUE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_EQ(readFile(ShadowFile::path()), content);
    EXPECT_EQ(QFileInfo(ShadowFile::path()).lastModified(), past);

    // Another letter case in the value is a change.
    EXPECT_TRUE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("SA")));
    EXPECT_EQ(readFile(ShadowFile::path()), QByteArray("First:a=1\r\n" + Sql.toUtf8() + ":dtUser=SA\r\nLast:c=3\r\n"));
}

TEST_F(ShadowFileTest, AnIdenticalLineBehindTheEntryInEffectStillRewrites)
{
    // Readers see the first line; a matching later line must not make the write a no-op.
    shadow(Sql.toUtf8() + ":dtUser=\r\n" + Sql.toUtf8() + ":dtUser=sa\r\n");
    EXPECT_TRUE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_EQ(readFile(ShadowFile::path()), QByteArray(Sql.toUtf8() + ":dtUser=sa\r\n"));
    EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("dtUser")), QStringLiteral("sa"));
}

TEST_F(ShadowFileTest, TheFileKeepsItsPermissions)
{
    shadow("Other:x=1\r\n");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(ShadowFile::path(), mode));
    EXPECT_TRUE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_EQ(QFileInfo(ShadowFile::path()).permissions() & 0x7077, mode & 0x7077);
}

TEST_F(ShadowFileTest, WritesNeverCreateTheFileOrItsFolder)
{
    EXPECT_FALSE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_FALSE(QFileInfo::exists(ShadowFile::folder()));
    ASSERT_TRUE(QDir().mkpath(ShadowFile::folder()));
    EXPECT_FALSE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_FALSE(QFileInfo::exists(ShadowFile::path()));
    EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("dtUser")), QString());
}

TEST_F(ShadowFileTest, AFailedRewriteReturnsFalseAndLeavesTheOldFile)
{
    const QByteArray content = "Other:x=1\r\n" + Sql.toUtf8() + ":dtUser=old\r\n";
    shadow(content);
    // The temporary file cannot be created where a folder of that name stands.
    const QString tmp = ShadowFile::folder() + QStringLiteral("/RegShadow.tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    EXPECT_FALSE(modRegistry::GravarValorSombra(Sql, QStringLiteral("dtUser"), QStringLiteral("new")));
    EXPECT_EQ(readFile(ShadowFile::path()), content);
    EXPECT_TRUE(QFileInfo(tmp).isDir());
    EXPECT_EQ(modRegistry::LerValorSombra(Sql, QStringLiteral("dtUser")), QStringLiteral("old"));
}

TEST_F(ShadowFileTest, AFileBelowARegularFileCannotBeWritten)
{
    const QString blocker = TestSupport::processTempDir() + QStringLiteral("/plain-file");
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString path = blocker + QStringLiteral("/RegShadow.db");
    EXPECT_FALSE(ShadowFile::write(path, Sql, QStringLiteral("dtUser"), QStringLiteral("sa")));
    EXPECT_EQ(ShadowFile::read(path, Sql, QStringLiteral("dtUser")), QString());
    EXPECT_EQ(readFile(blocker), QByteArray());
    QFile::remove(blocker);
}

} // namespace

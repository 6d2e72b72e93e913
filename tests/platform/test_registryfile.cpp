#include "platform/modregistry.h"
#include "platform/registryapi.h"
#include "platform/registryfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

const QString Halvorix = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix");

QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

QByteArray valueData(const RegistryFile &file, const QString &key, const QString &name)
{
    const RegistryFile::Value *value = file.value(key, name);
    return value ? value->data : QByteArray("<missing>");
}

void writeRegistryFile(const QByteArray &content)
{
    QFile file(RegistryFile::defaultPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

class RegistryFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(RegistryFile::defaultPath());
        TestSupport::clearErrorReports();
    }
    void TearDown() override { QFile::remove(RegistryFile::defaultPath()); }
};

TEST_F(RegistryFileTest, StringsKeepTheirEscapesDefaultValuesAndUtf8Text)
{
    const RegistryFile file = RegistryFile::parse(bytes("Windows Registry Editor Version 5.00\r\n\r\n"
                                                        "; a comment\r\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n"
                                                        "@=\"the default\"\r\n"
                                                        "\"na\\\\me\\\"q\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
                                                        "\"dtInitialCatalog\" = \"Configura\xc3\xa7\xc3\xa3o\"\r\n"
                                                        "\"Empty\"=\"\"\r\n"));
    EXPECT_TRUE(file.problems().isEmpty());
    const QString key = Halvorix + QStringLiteral("\\SqlServer");
    EXPECT_EQ(valueData(file, key, QString()), QByteArray("the default", 12));
    EXPECT_EQ(valueData(file, key, QStringLiteral("na\\me\"q")), QByteArray("C:\\Program Files\\\"x\"", 21));
    EXPECT_EQ(valueData(file, key, QStringLiteral("DTINITIALCATALOG")), QByteArray("Configura\xc3\xa7\xc3\xa3o", 15));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Empty")), QByteArray("", 1));
    EXPECT_EQ(file.value(key, QStringLiteral("Empty"))->type, uint32_t(RegistryFile::String));
}

TEST_F(RegistryFileTest, DwordAndHexValuesGiveTheBytesWindowsWouldGive)
{
    const RegistryFile file = RegistryFile::parse(bytes("Windows Registry Editor Version 5.00\n"
                                                        "[HKEY_CURRENT_USER\\Test]\n"
                                                        "\"Count\"=dword:00000141\n"
                                                        "\"Short\"=DWORD:7\n"
                                                        "\"Bin\"=hex:01,02,\\\n"
                                                        "  fe,FF\n"
                                                        "\"Expand\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00\n"
                                                        "\"Text\"=hex(1):e7,00,00,00\n"
                                                        "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
                                                        "\"Nothing\"=hex:\n"));
    EXPECT_TRUE(file.problems().isEmpty());
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Test");
    EXPECT_EQ(valueData(file, key, QStringLiteral("Count")), QByteArray("\x41\x01\x00\x00", 4));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Short")), QByteArray("\x07\x00\x00\x00", 4));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Bin")), QByteArray("\x01\x02\xfe\xff", 4));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Expand")), QByteArray("%PATH%", 7));
    EXPECT_EQ(file.value(key, QStringLiteral("Expand"))->type, uint32_t(RegistryFile::ExpandString));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Text")), QByteArray("\xc3\xa7", 3));
    EXPECT_EQ(file.value(key, QStringLiteral("Quad"))->type, uint32_t(RegistryFile::Qword));
    EXPECT_EQ(valueData(file, key, QStringLiteral("Quad")).size(), 8);
    EXPECT_EQ(valueData(file, key, QStringLiteral("Nothing")), QByteArray());
}

TEST_F(RegistryFileTest, Utf16FilesAsRegeditWritesThem)
{
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\KORDA]\r\n"
                                        "\"dtUser\"=\"Jos\u00e9\"\r\n");
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    const QByteArray encoded = QByteArray("\xff\xfe") + QByteArray(encoder.encode(text));
    const RegistryFile file = RegistryFile::parse(encoded);
    EXPECT_TRUE(file.problems().isEmpty());
    EXPECT_EQ(valueData(file, Halvorix + QStringLiteral("\\korda"), QStringLiteral("dtuser")),
              QByteArray("Jos\xc3\xa9", 6));
}

TEST_F(RegistryFileTest, MalformedLinesAreSkippedAndListedWithTheirLineNumbers)
{
    const RegistryFile file = RegistryFile::parse(bytes("\"early\"=\"no key yet\"\n" // 1: also the missing header
                                                        "[HKEY_LOCAL_MACHINE\\A]\n"  // 2
                                                        "garbage\n"                  // 3
                                                        "\"x\"=dword:xyz\n"          // 4
                                                        "\"y\"=\"unterminated\n"     // 5
                                                        "\"z\"=\"bad \\n escape\"\n" // 6
                                                        "\"good\"=\"kept\"\n"        // 7
                                                        "[HKEY_NOWHERE\\B]\n"        // 8
                                                        "\"quiet\"=\"skipped with its key\"\n" // 9
                                                        "[HKEY_LOCAL_MACHINE\\A\\\\C]\n"       // 10
                                                        "\"h\"=hex:1,zz\n"));                  // 11
    QList<int> lines;
    for (const RegistryFile::Problem &p : file.problems())
        lines.append(p.line);
    EXPECT_EQ(lines, (QList<int>{1, 1, 3, 4, 5, 6, 8, 10}));
    // Reports name the value but never repeat its data, which may be a password.
    EXPECT_TRUE(file.problems().at(4).reason.contains(QStringLiteral("\"y\"=")));
    EXPECT_FALSE(file.problems().at(4).reason.contains(QStringLiteral("unterminated")));
    EXPECT_EQ(valueData(file, QStringLiteral("HKEY_LOCAL_MACHINE\\A"), QStringLiteral("good")), QByteArray("kept", 5));
    EXPECT_EQ(file.value(QStringLiteral("HKEY_LOCAL_MACHINE\\A"), QStringLiteral("x")), nullptr);
    EXPECT_FALSE(file.keyExists(QStringLiteral("HKEY_NOWHERE\\B")));
}

TEST_F(RegistryFileTest, KeysMergeWithoutRegardToCaseAndRemovalsApply)
{
    const RegistryFile file = RegistryFile::parse(bytes("Windows Registry Editor Version 5.00\n"
                                                        "[hkey_local_machine\\Software\\One]\n"
                                                        "\"v\"=\"first\"\n"
                                                        "\"gone\"=\"soon\"\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ONE]\n"
                                                        "\"V\"=\"second\"\n"
                                                        "\"gone\"=-\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Two\\Deep]\n"
                                                        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Two]\n"
                                                        "\"after\"=\"belongs nowhere\"\n"));
    EXPECT_TRUE(file.problems().isEmpty());
    ASSERT_EQ(file.keys().size(), 1);
    EXPECT_EQ(file.keys().first().path, QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\One"));
    EXPECT_EQ(valueData(file, QStringLiteral("HKEY_LOCAL_MACHINE\\software\\one"), QStringLiteral("v")),
              QByteArray("second", 7));
    EXPECT_EQ(file.value(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\One"), QStringLiteral("gone")), nullptr);
    EXPECT_FALSE(file.keyExists(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Two\\Deep")));
    EXPECT_TRUE(file.keyExists(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE")));
}

TEST_F(RegistryFileTest, SubkeysComeInTheFileOrderWithImplicitParents)
{
    const RegistryFile file = RegistryFile::parse(bytes("Windows Registry Editor Version 5.00\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Zeta]\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Alpha]\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Mid\\Sub]\n"
                                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\ALPHA\\x]\n"));
    EXPECT_EQ(file.subkeys(Halvorix),
              (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")}));
    EXPECT_EQ(file.subkeys(QStringLiteral("HKEY_LOCAL_MACHINE")), QStringList{QStringLiteral("SOFTWARE")});
    EXPECT_TRUE(file.subkeys(QStringLiteral("HKEY_USERS")).isEmpty());
}

TEST_F(RegistryFileTest, TheRegistryCallsReadTheFileAndReportEachFaultOnce)
{
    writeRegistryFile("Windows Registry Editor Version 5.00\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\n"
                      "\"dtUser\"=\"sa\"\n"
                      "this line is wrong\n");
    for (int i = 0; i < 3; ++i) {
        QString path = Halvorix + QStringLiteral("\\SqlServer");
        EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("dtUser")), RegResult::text(QStringLiteral("sa")));
    }
    auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("modRegistry"));
    EXPECT_EQ(reports[0].value(QStringLiteral("application")).toString(), QStringLiteral("Velkor Software Modules"));
    EXPECT_TRUE(reports[0].value(QStringLiteral("message")).toString().contains(QStringLiteral("line 4")));

    // A changed file is read again, and its faults are told again.
    writeRegistryFile("Windows Registry Editor Version 5.00\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\n"
                      "\"dtUser\"=\"admin\"\n"
                      "still wrong\n");
    QString path = Halvorix + QStringLiteral("\\SqlServer");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("dtUser")), RegResult::text(QStringLiteral("admin")));
    EXPECT_EQ(TestSupport::errorReports().size(), 2);

    // The parsed file is kept while the file is unchanged; a rewrite of the same size at once
    // after a read (same second, maybe the same clock tick) is still seen.
    for (const char *user : {"12345", "abcde", "ABCDE"}) {
        writeRegistryFile("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\n"
                          "\"dtUser\"=\""
                          + QByteArray(user) + "\"\n");
        path = Halvorix + QStringLiteral("\\SqlServer");
        EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("dtUser")), RegResult::text(QString::fromLatin1(user)));
    }
}

TEST_F(RegistryFileTest, AMissingOrUnreadableFileIsAnEmptyRegistry)
{
    QString path = Halvorix + QStringLiteral("\\SqlServer");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("dtUser")).isNull());
    path = QStringLiteral("HKEY_LOCAL_MACHINE");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("x")).isNull());

    ASSERT_TRUE(QDir().mkpath(RegistryFile::defaultPath())); // a folder where the file should be
    path = QStringLiteral("HKEY_LOCAL_MACHINE");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("x")).isNull());
    QDir(RegistryFile::defaultPath()).removeRecursively();
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(RegistryFileTest, HandlesFollowTheWindowsRules)
{
    writeRegistryFile("Windows Registry Editor Version 5.00\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix]\n"
                      "\"Long\"=\"0123456789\"\n");
    const RegistryApi::Key machine = RegistryApi::Key(int32_t(0x80000002u));
    RegistryApi::Key key = 0;
    ASSERT_EQ(RegistryApi::openKey(machine, QStringLiteral("software\\halvorix"), RegistryApi::KeyRead, &key),
              RegistryApi::Success);
    char small[4];
    uint32_t count = sizeof small;
    EXPECT_EQ(RegistryApi::queryValue(key, QStringLiteral("Long"), small, &count), RegistryApi::MoreData);
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(RegistryApi::queryValue(key, QStringLiteral("Missing"), small, &count), RegistryApi::FileNotFound);
    EXPECT_EQ(RegistryApi::closeKey(key), RegistryApi::Success);
    EXPECT_EQ(RegistryApi::closeKey(key), RegistryApi::InvalidHandle);
    EXPECT_EQ(RegistryApi::openKey(machine, QStringLiteral("SOFTWARE\\Nothing"), RegistryApi::KeyRead, &key),
              RegistryApi::FileNotFound);
    EXPECT_EQ(RegistryApi::openKey(machine, QStringLiteral("SOFTWARE\\\\Halvorix"), RegistryApi::KeyRead, &key),
              RegistryApi::FileNotFound);
}

} // namespace

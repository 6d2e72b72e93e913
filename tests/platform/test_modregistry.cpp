#include "platform/modregistry.h"
#include "platform/registryfile.h"
#include "platform/shadowfile.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString Halvorix = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix");

QString key(const char *entry)
{
    return Halvorix + QLatin1Char('\\') + QLatin1String(entry);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path);
    file.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Each case starts without registry file and without shadow folder.
class ModRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(RegistryFile::defaultPath());
        QDir(ShadowFile::folder()).removeRecursively();
        TestSupport::clearErrorReports();
    }
    void TearDown() override { SetUp(); }

    void registry(const char *sections)
    {
        writeFile(RegistryFile::defaultPath(), QByteArray("Windows Registry Editor Version 5.00\r\n\r\n") + sections);
    }
    void shadow(const QByteArray &content)
    {
        ASSERT_TRUE(QDir().mkpath(ShadowFile::folder()));
        writeFile(ShadowFile::path(), content);
    }

    TestSupport::MsgBoxRecorder m_boxes;
};

TEST_F(ModRegistryTest, RootNamesMapToThePredefinedHandlesExactly)
{
    EXPECT_EQ(modRegistry::ObterHandleChavePrincipal(QStringLiteral("HKEY_CLASSES_ROOT")), int32_t(0x80000000u));
    EXPECT_EQ(modRegistry::ObterHandleChavePrincipal(QStringLiteral("HKEY_LOCAL_MACHINE")), int32_t(0x80000002u));
    EXPECT_EQ(modRegistry::ObterHandleChavePrincipal(QStringLiteral("HKEY_DYN_DATA")), int32_t(0x80000006u));
    EXPECT_EQ(modRegistry::ObterHandleChavePrincipal(QStringLiteral("HKEY_Local_Machine")), 0);
    EXPECT_EQ(modRegistry::ObterHandleChavePrincipal(QStringLiteral("HKLM")), 0);
}

TEST_F(ModRegistryTest, FormatarChaveSplitsTheRootFromTheSubkeyPath)
{
    int32_t root = -1;
    QString path = QStringLiteral("HKEY_LOCAL_MACHINE");
    modRegistry::FormatarChave(path, root);
    EXPECT_EQ(root, int32_t(0x80000002u));
    EXPECT_EQ(path, QString());

    path = key("SqlServer");
    modRegistry::FormatarChave(path, root);
    EXPECT_EQ(root, int32_t(0x80000002u));
    EXPECT_EQ(path, QStringLiteral("SOFTWARE\\Halvorix\\SqlServer"));

    // Passes the format check, names no root: no message.
    path = QStringLiteral("HKEY_Local_Machine\\SOFTWARE");
    modRegistry::FormatarChave(path, root);
    EXPECT_EQ(root, 0);
    EXPECT_EQ(path, QStringLiteral("SOFTWARE"));
    EXPECT_TRUE(m_boxes.boxes().isEmpty());
}

TEST_F(ModRegistryTest, BadlyFormedPathsShowTheFormatMessageAndReadAsEmpty)
{
    const QStringList bad{QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\"),
                          QStringLiteral("hkey_local_machine\\SOFTWARE"), QString()};
    for (const QString &given : bad) {
        QString path = given;
        int32_t root = -1;
        modRegistry::FormatarChave(path, root);
        EXPECT_EQ(root, 0);
        EXPECT_EQ(path, given);
    }
    ASSERT_EQ(m_boxes.boxes().size(), 3);
    EXPECT_EQ(m_boxes.boxes()[0].prompt, QStringLiteral("Formato Incorrecto:\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\"));
    EXPECT_EQ(m_boxes.boxes()[0].style, int(MsgBox::OKOnly));
    EXPECT_EQ(m_boxes.boxes()[0].title, MsgBox::applicationTitle());
    EXPECT_EQ(m_boxes.boxes()[1].prompt, QStringLiteral("Formato Incorrecto:\n\nhkey_local_machine\\SOFTWARE"));

    // A bad path reads as the empty state, and no default replaces it.
    const RegResult result = modRegistry::ObterValorString(QStringLiteral("HKEY_LOCAL_MACHINE\\"), QStringLiteral("v"),
                                                           QStringLiteral("dflt"), true);
    EXPECT_TRUE(result.isEmptyState());
    EXPECT_EQ(m_boxes.boxes().size(), 4);
    EXPECT_TRUE(modRegistry::ObterValorString(QStringLiteral("HKEY_Local_Machine\\SOFTWARE"), QStringLiteral("v"),
                                              QStringLiteral("dflt"), false)
                    .isEmptyState());
    EXPECT_EQ(m_boxes.boxes().size(), 4);
}

TEST_F(ModRegistryTest, ValorStringTrimsLikeTheTerminatorDoes)
{
    registry("[HKEY_LOCAL_MACHINE]\r\n"
             "\"AtRoot\"=\"root value\"\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n"
             "\"Padded\"=\"  abc  \"\r\n"
             "\"Blank\"=\"   \"\r\n"
             "\"Empty\"=\"\"\r\n"
             "\"Number\"=dword:00000041\r\n");
    QString path = QStringLiteral("HKEY_LOCAL_MACHINE");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("AtRoot")), RegResult::text(QStringLiteral("root value")));
    EXPECT_EQ(path, QString());

    path = key("SqlServer");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("Padded")), RegResult::text(QStringLiteral("abc  ")));
    EXPECT_EQ(path, QStringLiteral("SOFTWARE\\Halvorix\\SqlServer"));
    path = key("SqlServer");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("Blank")), RegResult::text(QString()));
    path = key("SqlServer");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("Empty")), RegResult::text(QString()));
    // A dword's four bytes taken as text, the last one dropped as if it were the terminator.
    path = key("SqlServer");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("Number")),
              RegResult::text(QStringLiteral("A") + QChar(0) + QChar(0)));
    path = key("SqlServer");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("Missing")).isNull());
    path = key("NoSuchEntry");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("Padded")).isNull());
}

TEST_F(ModRegistryTest, ValuesLongerThanTheBufferReadAsNull)
{
    const QByteArray fits(3499, 'x');
    const QByteArray tooLong(3500, 'y');
    registry(QByteArray("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Big]\r\n\"Fits\"=\"" + fits + "\"\r\n\"TooLong\"=\""
                        + tooLong + "\"\r\n")
                 .constData());
    QString path = key("Big");
    EXPECT_EQ(modRegistry::ValorString(path, QStringLiteral("Fits")), RegResult::text(QString::fromLatin1(fits)));
    path = key("Big");
    EXPECT_TRUE(modRegistry::ValorString(path, QStringLiteral("TooLong")).isNull());
}

TEST_F(ModRegistryTest, TheShadowFileComesFirstUnlessSkipped)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n"
             "\"dtUser\"=\"from registry\"\r\n"
             "\"dtPassword\"=\"registry password\"\r\n"
             "\"dtUserName\"=\"longer name\"\r\n");
    shadow("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer:DTUSER=SREF=not followed\r\n"
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer:dtPassword=\r\n"
           "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer:dtUserNameX=one letter more\r\n");
    const QString sql = key("SqlServer");
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), std::nullopt, false),
              RegResult::text(QStringLiteral("SREF=not followed")));
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), std::nullopt, true),
              RegResult::text(QStringLiteral("from registry")));
    // An empty shadow value counts as absent.
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtPassword"), std::nullopt, false),
              RegResult::text(QStringLiteral("registry password")));
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUserName"), std::nullopt, false),
              RegResult::text(QStringLiteral("longer name")));
}

TEST_F(ModRegistryTest, AShadowFileWithAnEmptyFirstLineIsNeverConsulted)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n\"dtUser\"=\"from registry\"\r\n");
    shadow("\r\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer:dtUser=shadowed\r\n");
    EXPECT_EQ(modRegistry::LerValorSombra(key("SqlServer"), QStringLiteral("dtUser")), QString());
    EXPECT_EQ(modRegistry::ObterValorString(key("SqlServer"), QStringLiteral("dtUser"), std::nullopt, false),
              RegResult::text(QStringLiteral("from registry")));
}

TEST_F(ModRegistryTest, MissingValuesTakeTheDefaultWhichTheShadowFileKeeps)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer]\r\n");
    const QString sql = key("SqlServer");

    // Without a shadow file: the default, and nothing is created.
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), QStringLiteral("sa"), false),
              RegResult::text(QStringLiteral("sa")));
    EXPECT_FALSE(QFileInfo::exists(ShadowFile::folder()));
    // A null default leaves null and writes nothing.
    EXPECT_TRUE(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), std::nullopt, false).isNull());

    shadow("Other:x=1\r\n");
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), QStringLiteral("sa"), false),
              RegResult::text(QStringLiteral("sa")));
    EXPECT_EQ(readFile(ShadowFile::path()), QByteArray("Other:x=1\r\n" + sql.toUtf8() + ":dtUser=sa\r\n"));
    // The next read finds it in the shadow file, whatever default it brings.
    EXPECT_EQ(modRegistry::ObterValorString(sql, QStringLiteral("dtUser"), QStringLiteral("other"), false),
              RegResult::text(QStringLiteral("sa")));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ModRegistryTest, ReferencesAreFollowedAndTheDefaultLandsUnderTheLastPath)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\A]\r\n"
             "\"dtUser\"=\"SREF=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\B\"\r\n"
             "\"dtPassword\"=\"SREF=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\B\"\r\n"
             "\"lower\"=\"sref=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\B\"\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\B]\r\n"
             "\"dtUser\"=\"SREF=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\C\"\r\n"
             "\"dtPassword\"=\"SREF=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\C\"\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\C]\r\n"
             "\"dtUser\"=\"sa\"\r\n");
    // The shadow file is consulted for the given path only.
    shadow(key("C").toUtf8() + ":dtUser=shadow of C\r\n");
    EXPECT_EQ(modRegistry::ObterValorString(key("A"), QStringLiteral("dtUser"), std::nullopt, false),
              RegResult::text(QStringLiteral("sa")));
    // Only the exact prefix counts as a reference.
    EXPECT_EQ(modRegistry::ObterValorString(key("A"), QStringLiteral("lower"), std::nullopt, false),
              RegResult::text(QStringLiteral("sref=HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\B")));

    EXPECT_EQ(modRegistry::ObterValorString(key("A"), QStringLiteral("dtPassword"), QStringLiteral("dflt"), false),
              RegResult::text(QStringLiteral("dflt")));
    EXPECT_EQ(readFile(ShadowFile::path()),
              QByteArray(key("C").toUtf8() + ":dtUser=shadow of C\r\n" + key("C").toUtf8() + ":dtPassword=dflt\r\n"));
}

TEST_F(ModRegistryTest, AReferenceLoopStopsWithNullAndIsReported)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\A]\r\n"
             "\"v\"=\"SREF=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Halvorix\\\\B\"\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\B]\r\n"
             "\"v\"=\"SREF=hkey_local_machine\\\\software\\\\halvorix\\\\a\"\r\n");
    shadow("Other:x=1\r\n");
    EXPECT_TRUE(modRegistry::ObterValorString(key("A"), QStringLiteral("v"), std::nullopt, false).isNull());
    // With a default the read still ends, and the loop is not hidden behind a shadow entry.
    EXPECT_EQ(modRegistry::ObterValorString(key("A"), QStringLiteral("v"), QStringLiteral("dflt"), false),
              RegResult::text(QStringLiteral("dflt")));
    EXPECT_EQ(readFile(ShadowFile::path()), QByteArray("Other:x=1\r\n"));
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("ObterValorString"));
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("modRegistry"));
}

TEST_F(ModRegistryTest, EnumerarChavesListsSubkeysInOrder)
{
    registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Zeta]\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Alpha]\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Mid\\Sub]\r\n");
    QString root = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE");
    const auto names = modRegistry::Enumerar_Chaves(root, QStringLiteral("SOFTWARE\\Halvorix"));
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")}));
    EXPECT_EQ(root, QStringLiteral("SOFTWARE"));

    root = QStringLiteral("HKEY_LOCAL_MACHINE");
    const auto none = modRegistry::Enumerar_Chaves(root, QStringLiteral("SOFTWARE\\Nothing"));
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->isEmpty());

    root = QStringLiteral("HKEY_NOWHERE");
    EXPECT_FALSE(modRegistry::Enumerar_Chaves(root, QStringLiteral("SOFTWARE")).has_value());
    root = QStringLiteral("SOFTWARE");
    EXPECT_FALSE(modRegistry::Enumerar_Chaves(root, QStringLiteral("SOFTWARE")).has_value());
    EXPECT_EQ(m_boxes.boxes().size(), 1);
}

TEST_F(ModRegistryTest, EnumerationStopsAtANameThatDoesNotFit)
{
    const QByteArray longName(255, 'L');
    registry(QByteArray("[HKEY_CURRENT_USER\\Entries\\First]\r\n[HKEY_CURRENT_USER\\Entries\\" + longName
                        + "]\r\n[HKEY_CURRENT_USER\\Entries\\Last]\r\n")
                 .constData());
    QString root = QStringLiteral("HKEY_CURRENT_USER");
    const auto names = modRegistry::Enumerar_Chaves(root, QStringLiteral("Entries"));
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(*names, QStringList{QStringLiteral("First")});
}

} // namespace

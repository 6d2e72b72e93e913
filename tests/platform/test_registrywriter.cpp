// Writing the registry file: sections replaced in place with the rest of the file kept, the
// file replaced whole with its owner, group and mode, and refusals where it may not be written.
#include "platform/registryfile.h"
#include "platform/registrywriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Zelmar = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Zelmar");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RegistryWriter, ReplacesTheSectionAndKeepsTheRestOfTheFile)
{
    const QByteArray existing = "Windows Registry Editor Version 5.00\r\n\r\n; the administrator's note\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"x\"=dword:00000001\r\n\r\n"
                                "[hkey_local_machine\\software\\halvorix\\ZELMAR]\r\n\"dtUser\"=\"old\"\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Zelmar]\r\n\"dtCatalog\"=\"later\"\r\n";
    const QString odd = QStringLiteral(" a\\b \"c\";d ");
    const QByteArray text = RegistryWriter::merged(existing, {{Zelmar, {{QStringLiteral("dtUser"), odd}}}});
    EXPECT_TRUE(text.contains("; the administrator's note\n"));
    EXPECT_EQ(text.count("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Zelmar]"), 1) << text.constData();
    EXPECT_FALSE(text.contains("later"));
    const RegistryFile file = RegistryFile::parse(text);
    EXPECT_TRUE(file.problems().isEmpty());
    ASSERT_NE(file.value(Zelmar, QStringLiteral("dtUser")), nullptr);
    EXPECT_EQ(file.value(Zelmar, QStringLiteral("dtUser"))->data, odd.toUtf8() + '\0');
    ASSERT_NE(file.value(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Other"), QStringLiteral("x")), nullptr);
    // A file that does not exist yet gets the header and the section.
    EXPECT_TRUE(RegistryWriter::merged(QByteArray(), {{Zelmar, {}}})
                    .startsWith("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE"));
}

TEST(RegistryWriter, SavingOverAFileKeepsItsOwnerGroupAndMode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.reg"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chmod(name.constData(), 0604), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(name.constData(), 4321, 4322), 0);
    }
    struct stat before;
    ASSERT_EQ(::stat(name.constData(), &before), 0);

    const RegistryWriter::SaveResult result = RegistryWriter::save(path, "new\n");
    ASSERT_EQ(result.outcome, RegistryWriter::SaveResult::Saved) << result.message.toStdString();
    struct stat after;
    ASSERT_EQ(::stat(name.constData(), &after), 0);
    EXPECT_EQ(readAll(path), QByteArray("new\n"));
    EXPECT_NE(after.st_ino, before.st_ino); // a new file renamed over the old one
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("registry.reg")});

    // A new file is readable by its owner and group only.
    const QString fresh = dir.filePath(QStringLiteral("fresh.reg"));
    ASSERT_EQ(RegistryWriter::save(fresh, "x\n").outcome, RegistryWriter::SaveResult::Saved);
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, RegistryWriter::NewFileMode);
}

TEST(RegistryWriter, AFolderThatCannotBeWrittenLeavesEverythingAsItWas)
{
    QTemporaryDir dir;
    // A file where the folder should be: no user, root included, can write there.
    const QString plain = dir.filePath(QStringLiteral("plain"));
    {
        QFile file(plain);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    const RegistryWriter::SaveResult result = RegistryWriter::save(plain + QStringLiteral("/registry.reg"), "x\n");
    EXPECT_EQ(result.outcome, RegistryWriter::SaveResult::Failed);
    EXPECT_TRUE(result.message.contains(plain)) << result.message.toStdString();
    EXPECT_EQ(readAll(plain), QByteArray("keep"));

    // A folder this user may not write: checked in a child that runs as "nobody" (root's own
    // checks would pass anywhere). It is the refusal that offers saving as administrator.
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString target = locked + QStringLiteral("/registry.reg");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(10);
        const RegistryWriter::SaveResult refused = RegistryWriter::save(target, "x\n");
        _exit(refused.outcome == RegistryWriter::SaveResult::NotPermitted && !refused.message.isEmpty() ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace

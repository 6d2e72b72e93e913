// Faults met by a running desk between two check-ins: database files deleted, locked by
// another process or corrupted, the archive folder gone, an error log that cannot be
// written. The window stays open through each; every verdict is clear, nothing hangs, and
// every invitation that was shown "Convite OK!" is committed.
#include "tests/app/deskfixture.h"

#include "platform/registryfile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString Ok = QStringLiteral("Convite OK!");
const QString ConnectFailed = QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f.");
const QString ProcedureError = QStringLiteral("Erro no procedimento: ");

class DeskFaults : public DeskFixture
{
protected:
    void TearDown() override
    {
        // No invitation that was accepted on screen may be missing from the file.
        for (const QString &number : m_accepted) {
            SCOPED_TRACE(number.toStdString());
            EXPECT_TRUE(checkedIn(number).isDateValue());
        }
        DeskFixture::TearDown();
    }

    // Checks the number in, expects the accepted verdict and waits for the desk to unlock.
    void acceptInvitation(frmMain &w, const QString &number)
    {
        SCOPED_TRACE(number.toStdString());
        typeAndEnter(w, number);
        EXPECT_EQ(verdict(w), Ok);
        if (verdict(w) == Ok)
            m_accepted << number;
        EXPECT_TRUE(checkedIn(number).isDateValue());
        EXPECT_TRUE(waitForUnlock(w));
    }

    // Folds the write-ahead log into the database file, so the file alone holds everything.
    void foldLog(const QString &file) const { scalar(file, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")); }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Writes the bytes over the file from the offset on, in place.
    static void overwrite(const QString &path, qint64 offset, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(offset));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QStringList m_accepted;
};

TEST_F(DeskFaults, DeletedDatabasesShowTheConnectBoxCreateNoEmptyFileAndComeBack)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));

    const QString checkinAway = m_dir.filePath(QStringLiteral("checkin.away"));
    const QString kordaAway = m_dir.filePath(QStringLiteral("korda.away"));
    ASSERT_TRUE(QFile::rename(checkinDb(), checkinAway));
    ASSERT_TRUE(QFile::rename(kordaDb(), kordaAway));

    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailed);
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor da KORDA"));
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(checkinDb()));
    EXPECT_FALSE(QFileInfo::exists(kordaDb()));
    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);

    ASSERT_TRUE(QFile::rename(checkinAway, checkinDb()));
    ASSERT_TRUE(QFile::rename(kordaAway, kordaDb()));
    acceptInvitation(*w, QStringLiteral("1002"));
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(w->ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
}

// Another process holds the write lock of the check-in database while the desk checks in.
// The sqlite3 shell started on a database with a write transaction open; the lock is given
// back by release(), and at the latest when the holder goes (it ends only its own process).
class WriteLockHolder
{
public:
    WriteLockHolder(const QString &shell, const QString &database)
    {
        m_process.start(shell, {database});
        // The shell has no SQL Server collation: the write touches no column that compares text.
        m_process.write("BEGIN EXCLUSIVE;\nUPDATE tbConvites SET socio_id = socio_id "
                        "WHERE convite_id = (SELECT MIN(convite_id) FROM tbConvites);\nSELECT 'held';\n");
    }
    ~WriteLockHolder() { release(); }

    bool waitUntilHeld()
    {
        return m_process.waitForStarted()
               && QTest::qWaitFor([&] { return m_process.readAllStandardOutput().contains("held"); }, 10000)
               && errors().isEmpty();
    }
    QByteArray errors() { return m_errors += m_process.readAllStandardError(); }

    // Rolls back and quits; true when the shell ended by itself.
    bool release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitStatus() == QProcess::NormalExit;
        m_process.write("ROLLBACK;\n.quit\n");
        m_process.closeWriteChannel();
        if (m_process.waitForFinished(5000))
            return m_process.exitStatus() == QProcess::NormalExit;
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }

private:
    QProcess m_process;
    QByteArray m_errors;
};

TEST_F(DeskFaults, ALockedDatabaseEndsInAClearVerdictAndTheInvitationChecksInOnceFreed)
{
    const QString cli = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (cli.isEmpty())
        GTEST_SKIP() << "the sqlite3 command-line shell is not installed";
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));

    {
        WriteLockHolder holder(cli, checkinDb());
        ASSERT_TRUE(holder.waitUntilHeld()) << holder.errors().constData();

        typeAndEnter(*w, QStringLiteral("1002"));
        // Readers go on beside the writer, so the desk gets as far as its update and waits there.
        EXPECT_TRUE(boxes.boxes().isEmpty());
        EXPECT_EQ(verdict(*w), ProcedureError + QStringLiteral("database is locked"));
        EXPECT_FALSE(w->ui().FXMessage_Invalid->isHidden());
        ASSERT_EQ(TestSupport::errorReports().size(), 1);
        EXPECT_EQ(TestSupport::errorReports()[0].value(QStringLiteral("procedure")).toString(),
                  QStringLiteral("VerifyCode"));
        EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isNull()); // the desk's write did not land
        ASSERT_TRUE(waitForUnlock(*w));
        EXPECT_TRUE(holder.release());
    }
    acceptInvitation(*w, QStringLiteral("1002"));
}

TEST_F(DeskFaults, ACorruptHeaderShowsTheConnectBoxAndTheRestoredFileWorksAgain)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));
    foldLog(checkinDb());
    const QByteArray good = readAll(checkinDb());
    ASSERT_GT(good.size(), 1024);

    overwrite(checkinDb(), 0, QByteArray(100, '\xA5'));
    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, ConnectFailed);
    EXPECT_TRUE(verdict(*w).isEmpty());
    ASSERT_TRUE(waitForUnlock(*w));

    overwrite(checkinDb(), 0, good);
    acceptInvitation(*w, QStringLiteral("1002"));
}

TEST_F(DeskFaults, AGarbledInvitationPageEndsInTheErrorVerdict)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));
    foldLog(checkinDb());
    const QByteArray good = readAll(checkinDb());
    const int64_t pageSize = scalar(checkinDb(), QStringLiteral("PRAGMA page_size")).toLong();
    const int64_t root
        = scalar(checkinDb(), QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'tbConvites'")).toLong();
    ASSERT_GT(pageSize, 0);
    ASSERT_GT(root, 1);

    QByteArray garbage(int(pageSize), '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 37 + 11) & 0xff);
    overwrite(checkinDb(), (root - 1) * pageSize, garbage);

    TestSupport::clearErrorReports();
    typeAndEnter(*w, QStringLiteral("1002"));
    // The connections still open and answer; the invitation query meets the damage.
    const QString shown = verdict(*w);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(shown.startsWith(ProcedureError)) << qPrintable(shown);
    EXPECT_TRUE(shown.contains(QStringLiteral("malformed"))) << qPrintable(shown);
    EXPECT_EQ(w->LastConviteID, 0);
    ASSERT_EQ(TestSupport::errorReports().size(), 1);
    EXPECT_EQ(TestSupport::errorReports()[0].value(QStringLiteral("procedure")).toString(),
              QStringLiteral("VerifyCode"));
    ASSERT_TRUE(waitForUnlock(*w));

    overwrite(checkinDb(), 0, good);
    acceptInvitation(*w, QStringLiteral("1002"));
}

TEST_F(DeskFaults, WithoutTheArchiveFolderTheMemberIsShownWithoutPhotograph)
{
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));
    EXPECT_TRUE(w->ui().ucIDFotos1->hasPhoto());
    const QString archive = scalar(checkinDb(), QStringLiteral("SELECT arquivodocumental FROM tbDefs")).toText();
    ASSERT_TRUE(QFileInfo(archive).isDir()) << qPrintable(archive);
    ASSERT_TRUE(QDir(archive).removeRecursively());

    acceptInvitation(*w, QStringLiteral("1009"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("João Pedro Antunes Barros"));
    EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_TRUE(w->ui().ucIDFotos1->photoPath().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(archive));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The error log cannot be written (a folder that is a file, a full disk): the verdict still
// shows and the report goes to the standard error stream instead.
TEST_F(DeskFaults, AnUnwritableErrorLogStillGivesTheVerdictAndTheReportOnStandardError)
{
    const QByteArray saved = qgetenv("QUORVET_ERROR_LOG");
    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList logs{blocker + QStringLiteral("/errors.log")};
    if (QFileInfo::exists(QStringLiteral("/dev/full")))
        logs << QStringLiteral("/dev/full");

    auto w = desk();
    for (const QString &log : logs) {
        SCOPED_TRACE(log.toStdString());
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = NULL WHERE convite_no = '1001'"));
        acceptInvitation(*w, QStringLiteral("1001"));

        qputenv("QUORVET_ERROR_LOG", log.toUtf8());
        testing::internal::CaptureStderr();
        typeAndEnter(*w, QStringLiteral("1013"));
        const std::string err = testing::internal::GetCapturedStderr();
        qputenv("QUORVET_ERROR_LOG", saved);

        EXPECT_TRUE(verdict(*w).startsWith(ProcedureError)) << qPrintable(verdict(*w));
        EXPECT_TRUE(checkedIn(QStringLiteral("1013")).isNull());
        EXPECT_NE(err.find("could not write the error report"), std::string::npos) << err;
        EXPECT_NE(err.find("VerifyCode"), std::string::npos) << err;
        EXPECT_TRUE(waitForUnlock(*w));
    }
    EXPECT_EQ(readAll(blocker), QByteArray());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The check-in database named through a registry entry while the registry file is garbage:
// every check-in ends in the connect box, and the file's faults are told only once.
TEST_F(DeskFaults, AGarbledRegistryFileFailsTheConnectionAndIsToldOnce)
{
    QByteArray garbage = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\Faults]\n";
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 131 + 7) & 0xff));
    garbage.append(QByteArray("\xFF\xFE\x41", 3));
    {
        QFile file(RegistryFile::defaultPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
    }
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    acceptInvitation(*w, QStringLiteral("1001"));

    qputenv("QUORVET_CONNECTION_SQLSERVER", "Registry=Faults");
    TestSupport::clearErrorReports();
    for (int i = 0; i < 2; ++i) {
        typeAndEnter(*w, QStringLiteral("1002"));
        ASSERT_EQ(boxes.boxes().size(), i + 1);
        EXPECT_EQ(boxes.boxes()[i].prompt, ConnectFailed);
        EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
        EXPECT_TRUE(verdict(*w).isEmpty());
        ASSERT_TRUE(waitForUnlock(*w));
    }
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isNull());
    const QList<QJsonObject> reports = TestSupport::errorReports();
    ASSERT_FALSE(reports.isEmpty());
    QSet<QString> messages;
    for (const QJsonObject &r : reports) {
        EXPECT_EQ(r.value(QStringLiteral("source")).toString(), QStringLiteral("modRegistry"));
        const QString message = r.value(QStringLiteral("message")).toString();
        EXPECT_FALSE(messages.contains(message)) << qPrintable(message);
        messages.insert(message);
    }

    pointAt(m_set);
    QFile::remove(RegistryFile::defaultPath());
    acceptInvitation(*w, QStringLiteral("1002"));
}

} // namespace

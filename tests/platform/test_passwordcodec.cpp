#include "platform/passwordcodec.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

QString writeMachineId(const char *name, const QByteArray &id)
{
    const QString path = TestSupport::processTempDir() + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(id);
    return path;
}

class PasswordCodecTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestSupport::clearErrorReports();
        m_here = writeMachineId("machine-id", "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
        m_elsewhere = writeMachineId("other-machine-id", "0f5e8d1b2a6c4e7f9a0b1c2d3e4f5a6b\n");
        qputenv("QUORVET_MACHINE_ID_FILE", m_here.toUtf8());
    }
    void TearDown() override { qunsetenv("QUORVET_MACHINE_ID_FILE"); }

    // The report the last failure wrote.
    QString lastReportMessage() const
    {
        const auto reports = TestSupport::errorReports();
        return reports.isEmpty() ? QString() : reports.last().value(QStringLiteral("message")).toString();
    }

    QString m_here;
    QString m_elsewhere;
};

TEST_F(PasswordCodecTest, EncodedPasswordsDecodeOnTheSameMachine)
{
    const QString password = QStringLiteral("p\u00e4ss w\u00f6rd;=\"x'");
    const QString first = PasswordCodec::EncodePassword(password);
    const QString second = PasswordCodec::EncodePassword(password);
    EXPECT_TRUE(first.startsWith(QStringLiteral("qv1:")));
    EXPECT_FALSE(first.contains(QStringLiteral("ss w")));
    EXPECT_NE(first, second); // a fresh nonce each time
    EXPECT_EQ(PasswordCodec::DecodePassword(first), password);
    EXPECT_EQ(PasswordCodec::DecodePassword(second, m_here), password);
    EXPECT_EQ(PasswordCodec::DecodePassword(PasswordCodec::EncodePassword(QString())), QString());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(PasswordCodecTest, AlteredValuesDoNotDecode)
{
    const QString encoded = PasswordCodec::EncodePassword(QStringLiteral("wobrelkiz"));
    for (int at : {4, 20, int(encoded.size()) - 3}) {
        QString altered = encoded;
        altered[at] = altered.at(at) == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
        TestSupport::clearErrorReports();
        EXPECT_EQ(PasswordCodec::DecodePassword(altered), QString()) << at;
        ASSERT_EQ(TestSupport::errorReports().size(), 1) << at;
    }
    const auto report = TestSupport::errorReports().first();
    EXPECT_EQ(report.value(QStringLiteral("source")).toString(), QStringLiteral("modPassword"));
    EXPECT_EQ(report.value(QStringLiteral("procedure")).toString(), QStringLiteral("DecodePassword"));
    EXPECT_EQ(report.value(QStringLiteral("application")).toString(), QStringLiteral("Velkor Software Modules"));
    EXPECT_FALSE(report.value(QStringLiteral("message")).toString().contains(QStringLiteral("wobrelkiz")));
    EXPECT_EQ(PasswordCodec::DecodePassword(encoded.left(encoded.size() - 8)), QString());
}

TEST_F(PasswordCodecTest, AValueFromAnotherMachineIsRefused)
{
    const QString encoded = PasswordCodec::EncodePassword(QStringLiteral("secret"), m_elsewhere);
    EXPECT_EQ(PasswordCodec::DecodePassword(encoded, m_elsewhere), QStringLiteral("secret"));
    EXPECT_EQ(PasswordCodec::DecodePassword(encoded), QString());
    EXPECT_TRUE(lastReportMessage().contains(QStringLiteral("another machine")));
}

TEST_F(PasswordCodecTest, TextThatWasNeverEncodedIsRefused)
{
    for (const QString &value : {QStringLiteral("wobrelkiz"), QStringLiteral("qv1:"), QStringLiteral("qv1:***"),
                                 QStringLiteral("qv1:c2hvcnQ="),
                                 QStringLiteral("QV1:") + PasswordCodec::EncodePassword(QStringLiteral("x")).mid(4)}) {
        TestSupport::clearErrorReports();
        EXPECT_EQ(PasswordCodec::DecodePassword(value), QString()) << qPrintable(value);
        EXPECT_EQ(TestSupport::errorReports().size(), 1) << qPrintable(value);
    }
}

TEST_F(PasswordCodecTest, AnUnreadableMachineIdentityEncodesNothing)
{
    const QString missing = TestSupport::processTempDir() + QStringLiteral("/no-such-machine-id");
    EXPECT_EQ(PasswordCodec::EncodePassword(QStringLiteral("secret"), missing), QString());
    EXPECT_TRUE(lastReportMessage().contains(missing));
    const QString empty = writeMachineId("empty-machine-id", "\n");
    const QString encoded = PasswordCodec::EncodePassword(QStringLiteral("secret"));
    EXPECT_EQ(PasswordCodec::DecodePassword(encoded, empty), QString());
    EXPECT_TRUE(lastReportMessage().contains(QStringLiteral("empty")));
}

#ifdef QUORVET_PASSWD_TOOL
class PasswdToolTest : public PasswordCodecTest
{
protected:
    // Runs quorvet-passwd with input on its standard input; returns its exit code.
    int run(const QByteArray &input, const QStringList &arguments, QByteArray *out, QByteArray *err)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVET_MACHINE_ID_FILE"), m_here);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVET_PASSWD_TOOL), arguments);
        if (!process.waitForStarted())
            return -1;
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return -2;
        *out = process.readAllStandardOutput();
        *err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    }
};

TEST_F(PasswdToolTest, PrintsTextThatDecodesToThePasswordGiven)
{
    ASSERT_TRUE(QFileInfo(QStringLiteral(QUORVET_PASSWD_TOOL)).isExecutable());
    QByteArray out, err;
    ASSERT_EQ(run("S3gr\xc3\xaa"
                  "do do sa\r\n",
                  {}, &out, &err),
              0)
        << err.constData();
    ASSERT_TRUE(out.endsWith('\n'));
    EXPECT_EQ(PasswordCodec::DecodePassword(QString::fromUtf8(out.trimmed())), QStringLiteral("S3gr\u00eado do sa"));

    ASSERT_EQ(run("other\n", {QStringLiteral("--machine-id"), m_elsewhere}, &out, &err), 0) << err.constData();
    EXPECT_EQ(PasswordCodec::DecodePassword(QString::fromUtf8(out.trimmed()), m_elsewhere), QStringLiteral("other"));
    EXPECT_EQ(PasswordCodec::DecodePassword(QString::fromUtf8(out.trimmed())), QString());
}

TEST_F(PasswdToolTest, RefusesAnEmptyPasswordAndAnUnreadableIdentity)
{
    QByteArray out, err;
    EXPECT_EQ(run("", {}, &out, &err), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains("empty"));
    EXPECT_EQ(run("secret\n", {QStringLiteral("--machine-id"), QStringLiteral("/nonexistent/machine-id")}, &out, &err),
              1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(run("secret\n", {QStringLiteral("--bogus")}, &out, &err), 2);
}
#endif

} // namespace

#include "platform/errorreport.h"
#include "platform/runtimeerror.h"
#include "tests/support/testsupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ErrorReportTest : public ::testing::Test
{
protected:
    void SetUp() override { TestSupport::clearErrorReports(); }
};

TEST_F(ErrorReportTest, FilterDropsZeroClosedConnectionAndBlankDescriptions)
{
    EXPECT_FALSE(ErrorReporting::shouldReport(0, QStringLiteral("x")));
    EXPECT_FALSE(ErrorReporting::shouldReport(3709, QStringLiteral("closed")));
    // Only blanks count as empty: a description of tabs or line breaks is still reported.
    const struct
    {
        QString description;
        bool reported;
    } descriptions[] = {{QStringLiteral("   "), false},
                        {QString(), false},
                        {QStringLiteral("\t"), true},
                        {QStringLiteral("\r\n"), true},
                        {QStringLiteral(" \n "), true}};
    for (const auto &d : descriptions)
        EXPECT_EQ(ErrorReporting::shouldReport(13, d.description), d.reported) << d.description.toStdString();
    EXPECT_TRUE(ErrorReporting::shouldReport(-2147467259, QStringLiteral("bad")));

    try {
        throw RuntimeError(3709, QStringLiteral("The connection cannot be used"));
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("VerifyCode"));
    }
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ErrorReportTest, FormTailWritesTheFiveTextsAsOneJsonLine)
{
    try {
        throw RuntimeError(13, QStringLiteral("Type mismatch"));
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Connect"));
    }
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("company")).toString(), QStringLiteral("Velkor Software"));
    EXPECT_EQ(reports[0].value(QStringLiteral("application")).toString(), QStringLiteral("Quorvet"));
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("frmMain"));
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("Connect"));
    EXPECT_EQ(reports[0].value(QStringLiteral("message")).toString(), QStringLiteral("Type mismatch"));
    EXPECT_FALSE(reports[0].value(QStringLiteral("time")).toString().isEmpty());
}

TEST_F(ErrorReportTest, ModuleTailUsesTheModuleMessageAndKeepsNegativeNumbers)
{
    try {
        throw RuntimeError(-2147217900, QStringLiteral("Sintaxe incorrecta perto de 'x'"));
    } catch (...) {
        ErrorReporting::moduleTail(QStringLiteral("Dornavel"), QStringLiteral("modData"), QStringLiteral("ListField"));
    }
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        ErrorReporting::moduleTail(QStringLiteral("Orbena"), QStringLiteral("modCode"), QStringLiteral("Trtf"));
    }
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0].value(QStringLiteral("company")).toString(), QStringLiteral("Tarnis Brenix Software"));
    EXPECT_EQ(reports[0].value(QStringLiteral("message")).toString(),
              QStringLiteral("Error Number = -2147217900 | Description = Sintaxe incorrecta perto de 'x'"));
    EXPECT_EQ(reports[1].value(QStringLiteral("application")).toString(), QStringLiteral("Orbena"));
    EXPECT_EQ(reports[1].value(QStringLiteral("message")).toString(),
              QStringLiteral("Error Number = 51 | Description = boom"));
}

TEST_F(ErrorReportTest, UnwritableLogNeverThrows)
{
    const QByteArray saved = qgetenv("QUORVET_ERROR_LOG");
    // A path below a regular file cannot be created.
    const QString blocker = TestSupport::processTempDir() + QStringLiteral("/not-a-folder");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("QUORVET_ERROR_LOG", (blocker + QStringLiteral("/log")).toUtf8());
    EXPECT_NO_THROW(ErrorReporting::report(
        {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}));
    qputenv("QUORVET_ERROR_LOG", saved);
    EXPECT_FALSE(QFileInfo::exists(blocker + QStringLiteral("/log")));
}

TEST_F(ErrorReportTest, DefaultLogLivesUnderTheStateFolder)
{
    const QByteArray saved = qgetenv("QUORVET_ERROR_LOG");
    qunsetenv("QUORVET_ERROR_LOG");
    qputenv("XDG_STATE_HOME", "/tmp/some-state");
    EXPECT_EQ(ErrorReporting::logPath(), QStringLiteral("/tmp/some-state/quorvet/error-reports.log"));
    qputenv("QUORVET_ERROR_LOG", saved);
}

} // namespace

#include "platform/moddirectorios.h"

#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

// Restores the variable the test changes.
class SpecialFolderTest : public ::testing::Test
{
protected:
    void SetUp() override { m_saved = qgetenv("QUORVET_COMMON_APPDATA"); }
    void TearDown() override { qputenv("QUORVET_COMMON_APPDATA", m_saved); }
    QByteArray m_saved;
};

TEST_F(SpecialFolderTest, CommonAppDataComesFromTheEnvironmentTrimmedWithoutTrailingSlash)
{
    qputenv("QUORVET_COMMON_APPDATA", "  /srv/desk/common//  ");
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(35), QStringLiteral("/srv/desk/common"));
    qputenv("QUORVET_COMMON_APPDATA", "/");
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(35), QStringLiteral("/"));
}

TEST_F(SpecialFolderTest, CommonAppDataFallsBackToVarLib)
{
    qunsetenv("QUORVET_COMMON_APPDATA");
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(35), QStringLiteral("/var/lib"));
    qputenv("QUORVET_COMMON_APPDATA", "   ");
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(35), QStringLiteral("/var/lib"));
}

TEST_F(SpecialFolderTest, UnknownFolderGivesEmptyText)
{
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(0x1A), QString());
    EXPECT_EQ(modDirectorios::ObterPastaEspecial(-1), QString());
}

} // namespace

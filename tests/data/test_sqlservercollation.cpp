// Text compares as SQL Server's default collation SQL_Latin1_General_CP1_CI_AS has it, on
// every database the data layer speaks to: case-insensitive, accent-sensitive, trailing
// blanks ignored, LIKE with its bracket classes, CHAR(n) read back padded.
#include "tests/data/databasefixture.h"

namespace {

using Role = DatabaseFixture::Role;

class SqlServerComparison : public DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        if (HasFatalFailure())
            return;
        run(Role::CheckIn,
            {"CREATE TABLE tbTexto (k INT PRIMARY KEY, v VARCHAR(30), n NVARCHAR(30), c CHAR(6))",
             "CREATE INDEX ixTexto_v ON tbTexto (v)", "CREATE TABLE tbOutro (v VARCHAR(30))",
             "INSERT INTO tbOutro VALUES ('ALBERTO ')", "INSERT INTO tbTexto VALUES (1, 'AB7', 'AB7', 'A124')",
             "INSERT INTO tbTexto VALUES (2, '1003 ', '1003 ', '1003')",
             "INSERT INTO tbTexto VALUES (3, 'alberto', 'alberto', NULL)",
             "INSERT INTO tbTexto VALUES (4, 'Ana', 'Ana', NULL)",
             "INSERT INTO tbTexto VALUES (5, N'álvaro', N'álvaro', NULL)",
             "INSERT INTO tbTexto VALUES (6, N'JOÃO ÁLVARES', N'JOÃO ÁLVARES', NULL)",
             "INSERT INTO tbTexto VALUES (7, N'Teodora Brásio', N'Teodora Brásio', NULL)",
             "INSERT INTO tbTexto VALUES (8, N'[VIP] Sá', N'[VIP] Sá', NULL)",
             "INSERT INTO tbTexto VALUES (9, 'a_b%c', 'a_b%c', NULL)",
             "INSERT INTO tbTexto VALUES (10, 'ab7  ', 'ab7  ', NULL)"});
    }

    QList<int> keys(const QString &clause) const
    {
        QList<int> found;
        Recordset rs;
        rs.Open(QStringLiteral("SELECT k FROM tbTexto WHERE ") + clause, open(Role::CheckIn));
        for (; !rs.Eof(); rs.MoveNext())
            found << int(rs.Fields(0).Value().toLong());
        return found;
    }
};

TEST_P(SqlServerComparison, CaseBlanksAccentsLikeClassesAndOrderAsTheServersCollation)
{
    const struct
    {
        const char *clause;
        QList<int> keys;
    } cases[] = {
        {"v = 'ab7' ORDER BY k", {1, 10}},
        {"n = 'ab7' ORDER BY k", {1, 10}},
        {"v = '1003' ORDER BY k", {2}},
        {"v = '1003    ' ORDER BY k", {2}},
        {"c = 'a124' ORDER BY k", {1}},
        {"v <> 'AB7 ' AND k < 5 ORDER BY k", {2, 3, 4}},
        {"v IN ('ANA', 'AB7') ORDER BY k", {1, 4, 10}},
        {"v > 'alb' AND v < 'alw' ORDER BY k", {3, 5}},
        {"v BETWEEN 'ALB' AND 'ALW' ORDER BY k", {3, 5}},
        {"v = N'joão álvares' ORDER BY k", {6}},
        {"v = 'JOAO ALVARES' ORDER BY k", {}},
        {"EXISTS (SELECT 1 FROM tbOutro WHERE tbOutro.v = tbTexto.v) ORDER BY k", {3}},
        {"RTRIM(v) = 'AB7' ORDER BY k", {1, 10}},
        {"k = 1 AND 'x' = 'X '", {1}},
        {"v LIKE N'joão%' ORDER BY k", {6}},
        {"v LIKE '%bras%' ORDER BY k", {}},
        {"v LIKE 'a_b%' ORDER BY k", {3, 9}},
        {"v LIKE 'ab7' ORDER BY k", {1, 10}},
        {"v LIKE 'ab7 ' ORDER BY k", {10}},
        {"v LIKE '[VIP]%' ORDER BY k", {}},
        {"v LIKE '[[]VIP]%' ORDER BY k", {8}},
        {"v LIKE '[a-b]%' ORDER BY k", {1, 3, 4, 5, 9, 10}},
        {"v LIKE '[^a-z]%' ORDER BY k", {2, 8}},
        {"v LIKE '[jt]%' ORDER BY k", {6, 7}},
        {"v LIKE 'a!_b!%c' ESCAPE '!' ORDER BY k", {9}},
        {"v COLLATE Latin1_General_CI_AI = 'joao alvares' ORDER BY k", {6}},
        {"v COLLATE Latin1_General_CI_AI LIKE '%bras%' ORDER BY k", {7}},
        {"v COLLATE Latin1_General_CI_AI LIKE '%joao%alv%' ORDER BY k", {6}},
        {"v COLLATE Latin1_General_CI_AI LIKE '%alv%joao%' ORDER BY k", {}},
        {"v LIKE '%b%7%' ORDER BY k", {1, 10}},
        {"k IN (3, 4, 5) ORDER BY v", {3, 5, 4}},
        {"k IN (1, 2, 4, 10) ORDER BY c DESC, v", {1, 2, 10, 4}},
        {"k IN (3, 4, 5) ORDER BY n DESC", {4, 5, 3}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(keys(QString::fromUtf8(c.clause)), c.keys) << c.clause;
}

TEST_P(SqlServerComparison, GroupingFoldsCaseAndBlanksAndCharReadsBackPadded)
{
    ConnectionRef c = open(Role::CheckIn);
    RecordsetRef rs = c->Execute(QStringLiteral("SELECT COUNT(*) FROM (SELECT DISTINCT v FROM tbTexto) d"));
    EXPECT_EQ(rs->Fields(0).Value().toLong(), 9);
    rs = c->Execute(QStringLiteral("SELECT COUNT(*) FROM tbTexto GROUP BY n HAVING COUNT(*) > 1"));
    EXPECT_EQ(rs->Fields(0).Value().toLong(), 2);
    rs = c->Execute(QStringLiteral("SELECT c FROM tbTexto WHERE k = 1"));
    EXPECT_EQ(rs->Fields(0).Value().toText(), QStringLiteral("A124  "));
    // NCHAR stays NCHAR: ā is no character of CHAR's code page 1252.
    c->Execute(QStringLiteral("CREATE TABLE tbFixo (c CHAR(10), n NCHAR(5))"));
    c->Execute(QStringLiteral("INSERT INTO tbFixo VALUES ('1003', N'Sá ā')"));
    rs = c->Execute(QStringLiteral("SELECT c, n FROM tbFixo"));
    EXPECT_EQ(rs->Fields(0).Value().toText(), QStringLiteral("1003      "));
    EXPECT_EQ(rs->Fields(1).Value().toText(), QStringLiteral("Sá ā "));
}

TEST_P(SqlServerComparison, TheLookupByCodeUsesTheIndex)
{
    if (onSqlServer())
        GTEST_SKIP() << "the plan is the embedded store's";
    RecordsetRef rs
        = open(Role::CheckIn)->Execute(QStringLiteral("EXPLAIN QUERY PLAN SELECT k FROM tbTexto WHERE v = 'ab7'"));
    EXPECT_TRUE(rs->Fields(QStringLiteral("detail")).Value().toText().contains(QStringLiteral("ixTexto_v")));
}

INSTANTIATE_TEST_SUITE_P(Databases, SqlServerComparison, ::testing::Values("Embedded", "SqlServer"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace

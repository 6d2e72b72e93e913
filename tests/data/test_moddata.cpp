// List cells from a real embedded database: column look-up, Null and missing columns, the
// format codes, and the report of a recordset without a current row.
#include "tests/data/databasefixture.h"

#include "data/moddata.h"
#include "platform/localeinfo.h"

namespace {

class ListFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString file = m_dir.filePath(QStringLiteral("list.db"));
        ASSERT_TRUE(TestSupport::createEmptyDatabase(file));
        m_conn = std::make_shared<Connection>();
        m_conn->Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
        for (const char *sql :
             {"CREATE TABLE tbConvites (convite_id INT, no_tap VARCHAR(20), nome NVARCHAR(100), checked_in DATETIME, "
              "quantia FLOAT)",
              "INSERT INTO tbConvites VALUES (1, 'E1', 'Ana Sá', CONVERT(DATETIME,'2026-12-07 20:05:09',102), "
              "1234567.5)",
              "INSERT INTO tbConvites VALUES (2, 'E2', 'Bruno Lima', NULL, 2.5)",
              "INSERT INTO tbConvites VALUES (3, 'E3', 'Carla', NULL, -1234.567)"})
            m_conn->Execute(QString::fromUtf8(sql));
        LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral("."));
        TestSupport::clearErrorReports();
    }
    void TearDown() override { LocaleInfo::clearOverride(); }

    // The recordset positioned on the row of the given id.
    RecordsetRef row(int id)
    {
        auto rs = std::make_shared<Recordset>();
        rs->Open(QStringLiteral("SELECT * FROM tbConvites WHERE convite_id = %1").arg(id), m_conn);
        return rs;
    }

    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/list-XXXXXX")};
    ConnectionRef m_conn;
};

TEST_F(ListFieldTest, FindsColumnsInAnyLetterCaseAndNeverLeavesACellEmpty)
{
    RecordsetRef first = row(1);
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("NOME"), 3), QStringLiteral("Ana Sá"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("No_Tap"), 3), QStringLiteral("E1"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("socio_id"), 3), QStringLiteral(" "));
    // A format code without a meaning gives nothing, even for an existing value.
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("nome"), 9), QString());
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("quantia"), 0), QString());

    RecordsetRef second = row(2);
    EXPECT_EQ(modData::ListField(*second, QStringLiteral("checked_in"), 7), QStringLiteral(" "));
    EXPECT_EQ(modData::ListField(*second, QStringLiteral("checked_in"), 9), QStringLiteral(" "));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ListFieldTest, FormatsByCode)
{
    RecordsetRef first = row(1);
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("checked_in"), 7), QStringLiteral("07-12-2026 20:05:09"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("checked_in"), 1), QStringLiteral("07-12-2026"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("checked_in"), 8), QStringLiteral("2026-12-07"));
    // Whole numbers: the half goes to the even neighbour.
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("quantia"), 6), QStringLiteral("1.234.568"));
    EXPECT_EQ(modData::ListField(*row(2), QStringLiteral("quantia"), 6), QStringLiteral("2"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("quantia"), 2), QStringLiteral("1.234.567,50"));
    EXPECT_EQ(modData::ListField(*first, QStringLiteral("quantia"), 4), QStringLiteral("€ 1.234.567,50"));

    RecordsetRef third = row(3);
    EXPECT_EQ(modData::ListField(*third, QStringLiteral("quantia"), 2), QStringLiteral("- 1.234,57"));
    EXPECT_EQ(modData::ListField(*third, QStringLiteral("quantia"), 4), QStringLiteral("€ -1.234,57"));
    EXPECT_EQ(modData::ListField(*row(2), QStringLiteral("quantia"), 5), QStringLiteral("250,00 %"));
    EXPECT_EQ(modData::ListField(*third, QStringLiteral("convite_id"), 3), QStringLiteral("3"));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ListFieldTest, FailuresAreReportedAndGiveTheEmptyText)
{
    // No current row.
    RecordsetRef none = row(99);
    ASSERT_TRUE(none->Eof());
    EXPECT_EQ(modData::ListField(*none, QStringLiteral("nome"), 3), QString());
    // A text that is no number cannot become a whole number.
    EXPECT_EQ(modData::ListField(*row(1), QStringLiteral("nome"), 6), QString());

    const QList<QJsonObject> reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 2);
    for (const QJsonObject &r : reports) {
        EXPECT_EQ(r.value(QStringLiteral("application")).toString(), QStringLiteral("Dornavel"));
        EXPECT_EQ(r.value(QStringLiteral("source")).toString(), QStringLiteral("modData"));
        EXPECT_EQ(r.value(QStringLiteral("procedure")).toString(), QStringLiteral("ListField"));
    }
    EXPECT_TRUE(
        reports[0].value(QStringLiteral("message")).toString().startsWith(QLatin1String("Error Number = 3021")));
    EXPECT_TRUE(reports[1].value(QStringLiteral("message")).toString().startsWith(QLatin1String("Error Number = 13")));
}

} // namespace

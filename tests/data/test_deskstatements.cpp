// The statements the desk sends, run unchanged on every database the data layer speaks to.
#include "tests/data/databasefixture.h"

#include "data/checkinqueries.h"
#include "data/dberror.h"

#include <QDateTime>

namespace {

using Role = DatabaseFixture::Role;

class DeskStatements : public DeskDatabaseFixture
{};

TEST_P(DeskStatements, InvitationLookupReturnsTheRowWithNullsAndDates)
{
    ConnectionRef conn = open(Role::CheckIn);
    auto rs = std::make_shared<Recordset>();
    rs->Open(CheckinQueries::invitation(QStringLiteral("4711")), conn);
    ASSERT_EQ(rs->State(), 1);
    ASSERT_FALSE(rs->Eof());
    ASSERT_EQ(rs->Fields().Count(), 7);
    EXPECT_EQ(rs->Fields().Item(0).Name(), QStringLiteral("convite_id"));
    EXPECT_EQ(rs->Fields().Item(6).Name(), QStringLiteral("checked_in"));
    EXPECT_EQ(rs->Fields("convite_id").Value(), Value(int32_t(5)));
    EXPECT_EQ(rs->Fields("socio_id").Value(), Value::null());
    EXPECT_EQ(rs->Fields("no_tap").Value(), Value("E1"));
    EXPECT_EQ(rs->Fields("NOME").Value(), Value("Ana Sá"));
    EXPECT_EQ(rs->Fields()[4].Value(), Value("X1"));
    EXPECT_EQ(rs->Fields("base_dados").Value(), Value(int32_t(2)));
    EXPECT_EQ(rs->Fields("checked_in").Value(), Value::null());
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(raisedBy([&] { rs->Fields("nome").Value(); }).number(), AdoError::NoCurrentRecord);
    EXPECT_EQ(raisedBy([&] { rs->Fields("sem_coluna"); }).number(), AdoError::ItemNotFound);
    rs->Close();
    EXPECT_EQ(rs->State(), 0);

    // An invitation already used carries its entry time as a Date.
    rs->Open(CheckinQueries::invitation(QStringLiteral("4712")), conn);
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("socio_id").Value(), Value(int32_t(57)));
    EXPECT_EQ(rs->Fields("checked_in").Value(), Value::date(QDate(2026, 12, 7), QTime(9, 5)));
    rs->Close();

    // A number that is not there gives an open recordset at its end.
    rs->Open(CheckinQueries::invitation(QStringLiteral("9999")), conn);
    EXPECT_EQ(rs->State(), 1);
    EXPECT_TRUE(rs->Eof());
}

TEST_P(DeskStatements, MemberPhotoAndArchiveQueries)
{
    ConnectionRef conn = open(Role::Members);
    RecordsetRef rs = conn->Execute(CheckinQueries::memberById(57));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("no_empresa").Value(), Value("E1"));
    EXPECT_EQ(rs->Fields("nome").Value(), Value("Ana Sá"));
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());

    auto photos = std::make_shared<Recordset>();
    photos->Open(CheckinQueries::photographOwner(QStringLiteral("E1")), conn);
    ASSERT_FALSE(photos->Eof());
    EXPECT_EQ(photos->Fields(0).Value(), Value("fotos/57.jpg"));
    EXPECT_EQ(photos->Fields("contacto_id").Value(), Value(int32_t(57)));
    photos->Close();
    photos->Open(CheckinQueries::photographOwner(QStringLiteral("E3")), conn); // member without a photograph
    EXPECT_TRUE(photos->Eof());
    photos->Close();

    auto defs = std::make_shared<Recordset>();
    defs->Open(CheckinQueries::archiveFolder(), conn);
    ASSERT_FALSE(defs->Eof());
    const Value folder = defs->Fields("arquivodocumental").Value();
    EXPECT_TRUE(folder == Value("/srv/arquivo") || folder == Value("/srv/outro"));
    defs->MoveNext();
    EXPECT_TRUE(defs->Eof()) << "TOP 1 returned more than one row";
}

TEST_P(DeskStatements, CheckInUpdateCountsOnceAndUndoClearsIt)
{
    ConnectionRef conn = open(Role::CheckIn);
    const QDate before = QDate::currentDate();
    int64_t affected = -1;
    const QString checkIn = CheckinQueries::acceptEntry(5);
    RecordsetRef result = conn->Execute(checkIn, &affected);
    EXPECT_EQ(affected, 1);
    EXPECT_EQ(result->State(), 0);
    conn->Execute(checkIn, &affected);
    EXPECT_EQ(affected, 0);

    RecordsetRef rs = conn->Execute(CheckinQueries::entryTime(5));
    const Value when = rs->Fields("checked_in").Value();
    ASSERT_TRUE(when.isDateValue()) << ::testing::PrintToString(when);
    if (!onSqlServer()) { // the server's clock is its own; the embedded store uses this machine's
        EXPECT_TRUE(when.dateValue() >= before && when.dateValue() <= QDate::currentDate());
    }
    rs->Close();

    // The undo clears the entry only while it holds the time read back, to the millisecond.
    const auto undo = [](const QDateTime &written) { return CheckinQueries::undoEntry(5, Value::date(written)); };
    conn->Execute(undo(when.toDateTime().addSecs(-60)), &affected);
    EXPECT_EQ(affected, 0);
    conn->Execute(undo(when.toDateTime()), &affected);
    EXPECT_EQ(affected, 1);
    rs = conn->Execute(CheckinQueries::entryTime(5));
    EXPECT_EQ(rs->Fields(0).Value(), Value::null());
}

TEST_P(DeskStatements, EscapedApostrophesAndTranCountProbe)
{
    ConnectionRef conn = open(Role::CheckIn);
    int64_t affected = 0;
    conn->Execute(QStringLiteral("INSERT INTO tbConvites (convite_id, convite_no, nome) VALUES (20, 'X' + CHAR(39) + "
                                 "'1', 'O' + CHAR(39) + 'Neil')"),
                  &affected);
    EXPECT_EQ(affected, 1);
    RecordsetRef rs = conn->Execute(
        QStringLiteral("SELECT convite_id, convite_no, nome FROM tbConvites WHERE nome = 'O' + CHAR(39) + 'Neil'"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("convite_id").Value(), Value(int32_t(20)));
    EXPECT_EQ(rs->Fields("convite_no").Value(), Value("X'1"));
    EXPECT_EQ(rs->Fields("nome").Value(), Value("O'Neil"));

    RecordsetRef probe = conn->Execute(QStringLiteral("SELECT @@TRANCOUNT as flTrans"));
    ASSERT_FALSE(probe->Eof());
    EXPECT_EQ(probe->Fields().Item(0).Name(), QStringLiteral("flTrans"));
    EXPECT_EQ(probe->Fields("flTrans").Value(), Value(int32_t(0)));
    EXPECT_EQ(conn->Errors().Count(), 0);
}

TEST_P(DeskStatements, EveryColumnTypeReadsAsTheEmbeddedStoreReadsIt)
{
    ConnectionRef conn = open(Role::CheckIn);
    conn->Execute(QStringLiteral("CREATE TABLE tipos (i INT, g BIGINT, b BIT, r REAL, f FLOAT, t NVARCHAR(10), d "
                                 "DATETIME, n INT, e NVARCHAR(5))"));
    // A name that fills its column with accents: twice as many bytes as characters in UTF-8.
    conn->Execute(QStringLiteral("INSERT INTO tipos VALUES (7, 5000000000, 1, 2.5, -0.125, N'ãéíõúçàâêô', "
                                 "CONVERT(DATETIME,'2026-12-07 09:05:30',102), NULL, '')"));
    RecordsetRef rs = conn->Execute(QStringLiteral("SELECT i, g, b, r, f, t, d, n, e FROM tipos"));
    ASSERT_FALSE(rs->Eof());
    const std::vector<Value> expected{Value(int32_t(7)),
                                      Value::fromInt64(5000000000),
                                      Value(true),
                                      Value(2.5),
                                      Value(-0.125),
                                      Value(QStringLiteral("ãéíõúçàâêô")),
                                      Value::date(QDate(2026, 12, 7), QTime(9, 5, 30)),
                                      Value::null(),
                                      Value(QString())};
    for (int i = 0; i < int(expected.size()); ++i) {
        SCOPED_TRACE(rs->Fields(i).Name().toStdString());
        EXPECT_EQ(rs->Fields(i).Value().kind(), expected[size_t(i)].kind());
        EXPECT_EQ(rs->Fields(i).Value(), expected[size_t(i)]);
    }
}

// DECIMAL, NUMERIC and MONEY arrive with every digit, never through a double. The embedded
// store keeps what SQLite's numeric affinity keeps: whole numbers to 19 digits, fractions to 15.
TEST_P(DeskStatements, DecimalAndMoneyColumnsKeepEveryDigit)
{
    const struct
    {
        const char *declared, *stored, *read;
    } cases[] = {
        {"DECIMAL(19,0)", "1234567890123456789", "1234567890123456789"}, // a double holds ...68
        {"NUMERIC(19,0)", "-999999999999999999", "-999999999999999999"},
        {"DECIMAL(19,4)", "-12345.6789", "-12345.6789"},
        {"DECIMAL(10,2)", "5", "5.00"},
        {"DECIMAL(10,2)", "2.675", "2.68"}, // rounded to the column's places, half away from zero
        {"MONEY", "922337203685477", "922337203685477"},
        {"MONEY", "-922337203685477", "-922337203685477"},
        {"MONEY", "0", "0"},
        {"SMALLMONEY", "-214748.3648", "-214748.3648"},
        {"SMALLMONEY", "214748.3647", "214748.3647"},
    };
    QStringList columns, values;
    for (const auto &c : cases) {
        columns << QStringLiteral("v%1 %2").arg(columns.size()).arg(QLatin1String(c.declared));
        values << QLatin1String(c.stored);
    }
    ConnectionRef conn = open(Role::CheckIn);
    conn->Execute(QStringLiteral("CREATE TABLE valores (%1)").arg(columns.join(QStringLiteral(", "))));
    conn->Execute(QStringLiteral("INSERT INTO valores VALUES (%1)").arg(values.join(QStringLiteral(", "))));
    RecordsetRef rs = conn->Execute(QStringLiteral("SELECT * FROM valores"));
    ASSERT_FALSE(rs->Eof());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(std::string(cases[i].declared) + " " + cases[i].stored);
        DecimalNumber expected;
        ASSERT_TRUE(DecimalNumber::parse(QLatin1String(cases[i].read), QStringLiteral("."), QString(), &expected));
        EXPECT_EQ(rs->Fields(i).Value(), Value::decimal(expected));
    }
}

TEST_P(DeskStatements, VipQueryListsEnteredVipsByName)
{
    ConnectionRef korda = open(Role::Korda);
    auto rs = std::make_shared<Recordset>();
    rs->Open(
        QStringLiteral("SELECT tbConvites.convite_id, tbConvites.no_tap, tbConvites.nome, tbConvites.checked_in FROM "
                       "tbConvites LEFT JOIN tbConvites_VIPs ON tbConvites.no_tap = tbConvites_VIPs.no_empresa WHERE "
                       "tbConvites.checked_in is not null AND tbConvites_VIPs.no_empresa is not null ORDER BY "
                       "tbConvites.nome"),
        korda);
    QStringList names;
    QList<Value> times;
    for (; !rs->Eof(); rs->MoveNext()) {
        names << rs->Fields("nome").Value().stringValue();
        times << rs->Fields("checked_in").Value();
    }
    rs->Close();
    // E5 has not entered; E1 entered nowhere and is no VIP.
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Artur Reis"), QStringLiteral("Bruno Lima"), QStringLiteral("Carla Dias")}));
    ASSERT_EQ(times.size(), 3);
    EXPECT_EQ(times[2], Value::date(QDate(2026, 12, 7), QTime(21, 40)));
}

TEST_P(DeskStatements, RejectedStatementsCarryTheServersMessage)
{
    ConnectionRef conn = open(Role::CheckIn);
    const RuntimeError e = raisedBy([&] { conn->Execute(QStringLiteral("SELECT nada FROM tbNaoExiste")); });
    EXPECT_EQ(e.number(), AdoError::CommandRejected);
    EXPECT_TRUE(e.description().contains(QStringLiteral("tbNaoExiste"))) << e.description().toStdString();
    ASSERT_EQ(conn->Errors().Count(), 1);
    EXPECT_EQ(conn->Errors().Item(0).Description(), e.description());
    EXPECT_EQ(conn->State(), 1);
    conn->Errors().Clear();
    EXPECT_EQ(conn->Errors().Count(), 0);

    auto rs = std::make_shared<Recordset>();
    EXPECT_EQ(raisedBy([&] { rs->Open(QStringLiteral("SELEC convite_id FROM tbConvites"), conn); }).number(),
              AdoError::CommandRejected);
    EXPECT_EQ(rs->State(), 0);
    EXPECT_EQ(conn->Errors().Count(), 1);
}

TEST_P(DeskStatements, ClosedConnectionsRefuseWorkButOpenRecordsetsReadOn)
{
    auto never = std::make_shared<Connection>();
    EXPECT_EQ(never->State(), 0);
    const RuntimeError e = raisedBy([&] { never->Execute(QStringLiteral("SELECT 1")); });
    EXPECT_EQ(e.number(), 3709);
    EXPECT_EQ(never->Errors().Count(), 1);
    auto rs = std::make_shared<Recordset>();
    EXPECT_EQ(raisedBy([&] { rs->Open(QStringLiteral("SELECT 1"), never); }).number(), 3709);
    EXPECT_EQ(raisedBy([&] { rs->Open(QStringLiteral("SELECT 1"), ConnectionRef()); }).number(), 3709);

    ConnectionRef conn = open(Role::CheckIn);
    EXPECT_EQ(raisedBy([&] { conn->Open(); }).number(), AdoError::ObjectOpen);
    rs->Open(QStringLiteral("SELECT convite_id FROM tbConvites ORDER BY convite_id"), conn);
    conn->Close();
    EXPECT_EQ(conn->State(), 0);
    EXPECT_EQ(raisedBy([&] { conn->Execute(QStringLiteral("SELECT 1")); }).number(), 3709);
    EXPECT_EQ(raisedBy([&] { conn->Close(); }).number(), AdoError::ObjectClosed);
    int rows = 0;
    for (; !rs->Eof(); rs->MoveNext())
        ++rows;
    EXPECT_EQ(rows, 5);
    rs->Close();
    EXPECT_EQ(raisedBy([&] { rs->Eof(); }).number(), AdoError::ObjectClosed);

    // A closed connection opens again with the string it keeps.
    conn->Open();
    EXPECT_EQ(conn->State(), 1);
}

INSTANTIATE_TEST_SUITE_P(Databases, DeskStatements, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

} // namespace

// The desk's own queries, in their SQLite form, against a demo set built by the library:
// every sample invitation leads where its description says, and every lookup is an index search.
#include "tests/tools/sqlitereader.h"
#include "tools/demodb/demodatabasebuilder.h"
#include "tools/demodb/demosamples.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString text(const QString &value)
{
    return QLatin1Char('\'') + QString(value).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString conviteQuery(const QString &number)
{
    return QStringLiteral("SELECT convite_id, socio_id, no_tap, nome, call_in, base_dados, checked_in FROM tbConvites "
                          "WHERE convite_no = ")
           + text(number);
}
QString memberByIdQuery(qint64 id)
{
    return QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE contacto_id = %1").arg(id);
}
QString memberByNumberQuery(const QString &number)
{
    return QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE no_empresa = ") + text(number);
}
QString photoQuery(const QString &number)
{
    return QStringLiteral(
               "SELECT tbContactos_Fotos.path, tbAssociados.contacto_id FROM tbContactos_Fotos LEFT JOIN "
               "tbAssociados ON tbContactos_Fotos.contacto_id = tbAssociados.contacto_id WHERE no_empresa = ")
           + text(number);
}
const QString ArchiveQuery = QStringLiteral("SELECT arquivodocumental FROM tbDefs LIMIT 1");
const QString VipQuery = QStringLiteral(
    "SELECT tbConvites.convite_id, tbConvites.no_tap, tbConvites.nome, tbConvites.checked_in FROM tbConvites "
    "LEFT JOIN tbConvites_VIPs ON tbConvites.no_tap = tbConvites_VIPs.no_empresa WHERE tbConvites.checked_in is "
    "not null AND tbConvites_VIPs.no_empresa is not null ORDER BY tbConvites.nome");

// What the desk learns about one invitation, following its lookups in order.
struct Walk
{
    bool invitationFound = false;
    QString conviteId;
    qint64 memberId = 0;
    QString callIn;
    QString checkedIn;
    bool memberFound = false;
    QStringList memberRow;
    int source = 0;
    bool unknownDatabase = false;
    QString archive;
    QString photoFile; // the photograph of memberId in the source organisation, if it has one
};

class DemoSetQueries : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        DemoOptions options;
        options.directory = s_dir->filePath(QStringLiteral("set"));
        options.invitations = 3000;
        options.members = 300;
        s_path = DemoDatabaseBuilder(options).build();
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        m_checkin = std::make_unique<SqliteReader>(s_path + QStringLiteral("/checkin.db"));
        m_korda = std::make_unique<SqliteReader>(s_path + QStringLiteral("/korda.db"));
        m_korda->exec(QStringLiteral("ATTACH ") + text(s_path + QStringLiteral("/checkin.db"))
                      + QStringLiteral(" AS checkin"));
    }

    SqliteReader &organisation(int source) { return source == DemoSamples::Zelmar ? *m_checkin : *m_korda; }

    Walk walk(const QString &number)
    {
        Walk w;
        const QList<QStringList> invitation = m_checkin->rows(conviteQuery(number));
        if (invitation.isEmpty())
            return w;
        w.invitationFound = true;
        const QStringList &row = invitation.first();
        w.conviteId = row[0];
        w.memberId = row[1].toLongLong();
        const QString noTap = row[2];
        w.callIn = row[4];
        w.checkedIn = row[6];
        if (w.memberId == 0)
            return w;
        const int database = row[5].toInt();
        if (database != DemoSamples::Zelmar && database != DemoSamples::Korda) {
            w.unknownDatabase = true;
            return w;
        }
        w.source = database;
        QList<QStringList> member = organisation(database).rows(memberByIdQuery(w.memberId));
        for (int candidate : {DemoSamples::Zelmar, DemoSamples::Korda}) {
            if (!member.isEmpty())
                break;
            member = organisation(candidate).rows(memberByNumberQuery(noTap));
            if (!member.isEmpty()) {
                w.memberId = member.first()[0].toLongLong();
                w.source = candidate;
            }
        }
        if (!member.isEmpty()) {
            w.memberFound = true;
            w.memberRow = member.first();
        }
        if (organisation(w.source).rows(photoQuery(noTap)).isEmpty()) {
            w.source = w.source == DemoSamples::Zelmar ? DemoSamples::Korda : DemoSamples::Zelmar;
            const QList<QStringList> other = organisation(w.source).rows(photoQuery(noTap));
            w.memberId = other.isEmpty() ? 0 : other.first()[1].toLongLong();
        }
        w.archive = organisation(w.source).rows(ArchiveQuery).value(0).value(0);
        const QList<QStringList> photo = organisation(w.source).rows(
            QStringLiteral("SELECT path FROM tbContactos_Fotos WHERE contacto_id = %1").arg(w.memberId));
        if (!photo.isEmpty())
            w.photoFile = w.archive + QLatin1Char('/')
                          + QString(photo.first()[0]).replace(QLatin1Char('\\'), QLatin1Char('/'));
        return w;
    }

    static std::unique_ptr<QTemporaryDir> s_dir;
    static QString s_path;
    std::unique_ptr<SqliteReader> m_checkin;
    std::unique_ptr<SqliteReader> m_korda;
};

std::unique_ptr<QTemporaryDir> DemoSetQueries::s_dir;
QString DemoSetQueries::s_path;

TEST_F(DemoSetQueries, MembersAreFoundWhereTheirInvitationsSay)
{
    const struct
    {
        const char *number;
        int source;
        qint64 memberId;
        const char *name;
    } cases[] = {
        {"1001", DemoSamples::Zelmar, 101, "Ana Catarina Moreira Lopes"},
        {"1002", DemoSamples::Korda, 201, "Pedro Manuel Oliveira Costa"},
        {"1003", DemoSamples::Korda, 202, "Luísa Fernanda Guerreiro Dias"}, // unknown id, by company number
        {"1004", DemoSamples::Zelmar, 102, "Rui Miguel Ferreira Santos"},   // base_dados 2, only in ZELMAR
        {"1008", DemoSamples::Korda, 203, "Vasco Henrique Simões Rocha"},
        {"1009", DemoSamples::Zelmar, 104, "João Pedro Antunes Barros"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        const Walk w = walk(QString::fromLatin1(c.number));
        ASSERT_TRUE(w.memberFound);
        EXPECT_EQ(w.source, c.source);
        EXPECT_EQ(w.memberId, c.memberId);
        EXPECT_EQ(w.memberRow.value(2), QString::fromUtf8(c.name));
        EXPECT_EQ(w.archive, s_path
                                 + (c.source == DemoSamples::Zelmar ? QStringLiteral("/archive-zelmar")
                                                                    : QStringLiteral("/archive-korda")));
        EXPECT_TRUE(QFileInfo(w.archive).isDir());
        ASSERT_FALSE(w.photoFile.isEmpty());
        EXPECT_FALSE(QImage(w.photoFile).isNull()) << w.photoFile.toStdString();
    }
    // The member without an address has a NULL morada and everything else.
    const Walk noAddress = walk(QStringLiteral("1009"));
    EXPECT_TRUE(noAddress.memberRow.value(7).isNull());
    EXPECT_FALSE(noAddress.memberRow.value(8).isEmpty());
}

TEST_F(DemoSetQueries, PhotographsCanBeMissingOrBroken)
{
    const Walk none = walk(QStringLiteral("1010"));
    EXPECT_TRUE(none.memberFound);
    EXPECT_EQ(none.memberId, 0); // no photograph in either organisation
    EXPECT_TRUE(none.photoFile.isEmpty());

    const Walk broken = walk(QStringLiteral("1011"));
    EXPECT_EQ(broken.source, DemoSamples::Korda);
    EXPECT_EQ(broken.memberId, 204);
    ASSERT_TRUE(QFileInfo(broken.photoFile).isFile());
    EXPECT_GT(QFileInfo(broken.photoFile).size(), 0);
    EXPECT_TRUE(QImage(broken.photoFile).isNull());
}

TEST_F(DemoSetQueries, GuestsErrorsAndUsedInvitations)
{
    const Walk x1 = walk(QStringLiteral("1005"));
    EXPECT_TRUE(x1.invitationFound);
    EXPECT_EQ(x1.memberId, 0);
    EXPECT_EQ(x1.callIn, QStringLiteral("X1"));
    EXPECT_TRUE(x1.checkedIn.isNull());
    const Walk plain = walk(QStringLiteral("1006"));
    EXPECT_EQ(plain.memberId, 0);
    EXPECT_TRUE(plain.callIn.isEmpty());

    const QList<QStringList> apostrophe = m_checkin->rows(conviteQuery(QStringLiteral("1012")));
    ASSERT_EQ(apostrophe.size(), 1);
    EXPECT_EQ(apostrophe[0][1], QStringLiteral("0"));
    EXPECT_EQ(apostrophe[0][3], QStringLiteral("Joana D'Almeida"));
    EXPECT_EQ(m_checkin
                  ->rows(QStringLiteral("SELECT convite_no FROM tbConvites WHERE nome = ")
                         + text(QStringLiteral("Joana D'Almeida")))
                  .size(),
              1);

    EXPECT_TRUE(walk(QStringLiteral("1013")).unknownDatabase);
    EXPECT_FALSE(walk(QStringLiteral("999")).invitationFound);
    EXPECT_FALSE(walk(QStringLiteral("1001' OR '1'='1")).invitationFound);

    const QRegularExpression dateTime(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d (\\d\\d:\\d\\d):00$"));
    EXPECT_EQ(dateTime.match(walk(QStringLiteral("1007")).checkedIn).captured(1), QStringLiteral("09:05"));
    EXPECT_EQ(dateTime.match(walk(QStringLiteral("1014")).checkedIn).captured(1), QStringLiteral("21:40"));
    EXPECT_TRUE(walk(QStringLiteral("1001")).checkedIn.isNull());
}

TEST_F(DemoSetQueries, EntryUndoAndTheVipList)
{
    const auto vipNames = [this] {
        QStringList names;
        for (const QStringList &row : m_korda->rows(VipQuery))
            names << row[2];
        return names;
    };
    const QStringList entered = {
        QStringLiteral("Alice Marques Gouveia"), QStringLiteral("Beatriz Alexandra Vaz Teixeira"),
        QStringLiteral("Carlos Eduardo Tavares Neves"), QStringLiteral("Vasco Henrique Simões Rocha")};
    EXPECT_EQ(vipNames(), entered);

    const QString id = walk(QStringLiteral("1009")).conviteId;
    const QString update = QStringLiteral(
                               "UPDATE tbConvites SET checked_in = '2026-05-04 12:30:00' WHERE convite_id = ")
                           + id + QStringLiteral(" AND checked_in IS NULL");
    EXPECT_EQ(m_checkin->exec(update), 1);
    EXPECT_EQ(m_checkin->exec(update), 0); // a used invitation is never written again
    QStringList withNewEntry = entered;
    withNewEntry.insert(3, QStringLiteral("João Pedro Antunes Barros"));
    EXPECT_EQ(vipNames(), withNewEntry);

    EXPECT_EQ(m_checkin->exec(QStringLiteral("UPDATE tbConvites SET checked_in = null WHERE convite_id = ") + id), 1);
    EXPECT_EQ(vipNames(), entered);
    EXPECT_TRUE(walk(QStringLiteral("1009")).checkedIn.isNull());
}

TEST_F(DemoSetQueries, EveryLookupIsAnIndexSearch)
{
    const QString invitation = m_checkin->plan(conviteQuery(QStringLiteral("200123")));
    EXPECT_TRUE(invitation.contains(QStringLiteral("USING INDEX ixConvites_convite_no"))) << invitation.toStdString();
    for (SqliteReader *db : {m_checkin.get(), m_korda.get()}) {
        const QString byId = db->plan(memberByIdQuery(1000005));
        const QString byNumber = db->plan(memberByNumberQuery(QStringLiteral("5000005")));
        const QString photo = db->plan(photoQuery(QStringLiteral("5000005")));
        for (const QString &plan : {byId, byNumber, photo})
            EXPECT_FALSE(plan.contains(QStringLiteral("SCAN"))) << plan.toStdString();
        EXPECT_TRUE(byId.contains(QStringLiteral("ixAssociados_contacto_id"))) << byId.toStdString();
        EXPECT_TRUE(byNumber.contains(QStringLiteral("ixAssociados_no_empresa"))) << byNumber.toStdString();
        EXPECT_TRUE(photo.contains(QStringLiteral("ixAssociados_no_empresa"))) << photo.toStdString();
        EXPECT_TRUE(photo.contains(QStringLiteral("ixContactos_Fotos_contacto_id"))) << photo.toStdString();
    }
    const QString update = m_checkin->plan(
        QStringLiteral("UPDATE tbConvites SET checked_in = null WHERE convite_id = 18"));
    EXPECT_TRUE(update.contains(QStringLiteral("INTEGER PRIMARY KEY"))) << update.toStdString();
    // The VIP list reads tbConvites once and finds each VIP through the index.
    const QString vip = m_korda->plan(VipQuery);
    EXPECT_TRUE(vip.contains(QStringLiteral("SEARCH tbConvites_VIPs USING COVERING INDEX ixConvites_VIPs_no_empresa")))
        << vip.toStdString();
}

TEST_F(DemoSetQueries, ColumnsCarryTheTypesTheProviderConverts)
{
    QStringList names;
    QStringList types;
    const QList<QStringList> member = m_korda->rows(memberByIdQuery(201), &names, &types);
    EXPECT_EQ(names, QStringList({"contacto_id", "no_empresa", "nome_union", "no_socio", "dnascimento", "empresa",
                                  "base", "morada", "localidade"}));
    EXPECT_EQ(types.value(0), QStringLiteral("INTEGER"));
    EXPECT_EQ(types.value(4), QStringLiteral("DATETIME"));
    ASSERT_EQ(member.size(), 1);
    EXPECT_EQ(member[0][4], QStringLiteral("1980-01-16 00:00:00"));

    types.clear();
    m_checkin->rows(conviteQuery(QStringLiteral("1001")), nullptr, &types);
    EXPECT_EQ(types, QStringList(
                         {"INTEGER", "INTEGER", "VARCHAR(20)", "NVARCHAR(100)", "VARCHAR(20)", "INTEGER", "DATETIME"}));

    // The photo query names no_empresa without a table: only tbAssociados may have it.
    EXPECT_TRUE(m_checkin->errorOf(photoQuery(QStringLiteral("310101"))).isEmpty());
    EXPECT_TRUE(m_korda->errorOf(photoQuery(QStringLiteral("420201"))).isEmpty());
    EXPECT_EQ(m_checkin
                  ->rows(QStringLiteral("SELECT 1 FROM pragma_table_info('tbContactos_Fotos') "
                                        "WHERE name = 'no_empresa'"))
                  .size(),
              0);
    // The check-in tables are only in checkin.db, the VIP table only in korda.db.
    EXPECT_FALSE(m_checkin->errorOf(QStringLiteral("SELECT 1 FROM tbConvites_VIPs")).isEmpty());
    EXPECT_EQ(m_korda->rows(QStringLiteral("SELECT name FROM main.sqlite_master WHERE name = 'tbConvites'")).size(), 0);
}

TEST_F(DemoSetQueries, EveryStoredPhotographPathNamesAFile)
{
    for (SqliteReader *db : {m_checkin.get(), m_korda.get()}) {
        const QString archive = db->rows(ArchiveQuery).value(0).value(0);
        const QList<QStringList> paths = db->rows(QStringLiteral("SELECT DISTINCT path FROM tbContactos_Fotos"));
        bool backslash = false;
        bool slash = false;
        for (const QStringList &row : paths) {
            backslash = backslash || row[0].contains(QLatin1Char('\\'));
            slash = slash || row[0].contains(QLatin1Char('/'));
            const QString file = archive + QLatin1Char('/')
                                 + QString(row[0]).replace(QLatin1Char('\\'), QLatin1Char('/'));
            EXPECT_TRUE(QFileInfo(file).isFile()) << file.toStdString();
        }
        EXPECT_TRUE(backslash);
        EXPECT_TRUE(slash);
        // The generated members share a few pictures instead of one file each.
        EXPECT_LT(paths.size(), 30);
    }
}

} // namespace

// Entries that try to break out of the SQL text: each is looked up as the number it is,
// finds nothing (or the row that really carries it) and leaves every table intact.
#include "tests/app/deskfixture.h"

#include <QLabel>

#include <map>

namespace {

class DeskHostile : public OnBothStores<>
{
protected:
    // Row count of every table of a database file.
    static std::map<QString, int64_t> counts(const QString &file)
    {
        std::map<QString, int64_t> result;
        ConnectionRef c = open(file);
        QStringList tables;
        RecordsetRef rs = c->Execute(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        for (; !rs->Eof(); rs->MoveNext())
            tables << rs->Fields(0).Value().toText();
        for (const QString &table : tables)
            result[table] = c->Execute(QStringLiteral("SELECT COUNT(*) FROM ") + table)->Fields(0).Value().toLong();
        return result;
    }

    std::map<QString, int64_t> everything() const
    {
        std::map<QString, int64_t> all;
        for (const auto &[table, n] : counts(checkinDb()))
            all[QStringLiteral("checkin.") + table] = n;
        for (const auto &[table, n] : counts(kordaDb()))
            all[QStringLiteral("korda.") + table] = n;
        all[QStringLiteral("entered")]
            = scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NOT NULL"))
                  .toLong();
        return all;
    }
};

TEST_P(DeskHostile, HostileEntriesAreNotFoundAndChangeNothing)
{
    const std::map<QString, int64_t> before = everything();
    ASSERT_GE(before.size(), 14u);
    const QStringList entries{
        QStringLiteral("'"),
        QStringLiteral("1001'"),
        QStringLiteral("\"1001\""),
        QStringLiteral("'; DROP TABLE tbConvites; --"),
        QStringLiteral("1001'; DELETE FROM tbConvites; --"),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("1001\\"),
        QStringLiteral("%"),
        QStringLiteral("_"),
        QStringLiteral("100_"),
        QStringLiteral("10%"),
        QString(5000, QLatin1Char('9')),
        QString(300, QLatin1Char('\'')),
        // A scanner stuck on the apostrophe key: thousands of escapes, still one shallow literal.
        QString(5000, QLatin1Char('\'')),
        QStringLiteral("1001'").repeated(2000),
        QString(2500, QLatin1Char('9')) + QString(2500, QLatin1Char('_')),
        QStringLiteral("1001ção€😀"),
        QStringLiteral("10\x01"
                       "01\x1b"),
        QStringLiteral("\t1001"),
        QStringLiteral("1001 ; --"),
    };
    auto w = desk();
    for (const QString &entry : entries) {
        SCOPED_TRACE(entry.left(40).toStdString());
        w->ui().FXNo_TAP->setText(entry);
        w->VerifyCode();
        EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe...")) << qPrintable(verdict(*w).left(300));
        EXPECT_EQ(w->LastConviteID, 0);
        EXPECT_TRUE(TestSupport::errorReports().isEmpty());
        TestSupport::clearErrorReports();
    }
    EXPECT_EQ(everything(), before);
}

TEST_P(DeskHostile, AnInvitationNumberWithApostrophesAndQuotesIsFoundAsItIs)
{
    exec(checkinDb(), QStringLiteral("INSERT INTO tbConvites (convite_no, socio_id, nome, base_dados) "
                                     "VALUES ('77''01', NULL, 'Convidado Apóstrofo', 1), "
                                     "('\"88\"', NULL, 'Convidado Aspas', 1), "
                                     "('x%_y', NULL, 'Convidado Percentagem', 2)"));
    const std::map<QString, int64_t> before = everything();
    auto w = desk();
    const struct
    {
        QString entry;
        QString name;
    } cases[] = {
        {QStringLiteral("77'01"), QStringLiteral("Convidado Apóstrofo")},
        {QStringLiteral("\"88\""), QStringLiteral("Convidado Aspas")},
        {QStringLiteral("  x%_y "), QStringLiteral("Convidado Percentagem")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.entry.toStdString());
        w->ui().FXNo_TAP->setText(c.entry);
        w->VerifyCode();
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
        EXPECT_EQ(w->ui().FXNome_Union->text(), c.name);
        EXPECT_NE(w->LastConviteID, 0);
    }
    std::map<QString, int64_t> after = everything();
    EXPECT_EQ(after[QStringLiteral("entered")], before.at(QStringLiteral("entered")) + 3);
    after[QStringLiteral("entered")] = before.at(QStringLiteral("entered"));
    EXPECT_EQ(after, before);
    // Near misses of those numbers find nothing.
    for (const QString &miss : {QStringLiteral("7701"), QStringLiteral("88"), QStringLiteral("xy")}) {
        w->ui().FXNo_TAP->setText(miss);
        w->VerifyCode();
        EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe...")) << miss.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, DeskHostile, deskStores(), deskStoreName);

} // namespace

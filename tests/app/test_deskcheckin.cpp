// End-to-end check-ins through the real main window on a demo set: every verdict, the
// member panel and photograph, the entry time written (or not) in tbConvites.
#include "tests/app/deskfixture.h"

#include "app/screenshot.h"

#include "tools/demodb/demosamples.h"
#include "ui/vbtimer.h"

#include <QLabel>

namespace {

class DeskCheckin : public OnBothStores<>
{};

QStringList reportedProcedures()
{
    QStringList procedures;
    for (const QJsonObject &r : TestSupport::errorReports())
        procedures << r.value(QStringLiteral("procedure")).toString();
    return procedures;
}

TEST_P(DeskCheckin, AnEntryOfOnlySpacesChangesNothing)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    enterText(*w, QStringLiteral("    "));
    EXPECT_TRUE(w->ui().FXNo_TAP->isEnabled());
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(w->ui().Timer1->Interval(), 0);
    EXPECT_FALSE(w->ui().Timer1->isRunning());
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_TRUE(w->ui().Label_ZELMAR->isHidden()); // no connection was made
    EXPECT_EQ(w->ConnSqlServer(), nullptr);
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_P(DeskCheckin, AMemberIsAcceptedWithPanelPhotographAndTheServersClock)
{
    auto w = desk();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    typeAndEnter(*w, QStringLiteral("1001"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_FALSE(w->ui().FXMessage_Fundo->isHidden());
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(47, 106, 151));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_EQ(w->ui().FXNo_Empresa->text(), QStringLiteral("310101"));
    EXPECT_EQ(w->ui().FXNo_Socio->text(), QStringLiteral("1201"));
    EXPECT_EQ(w->ui().FXMorada->text(), QStringLiteral("Rua das Amoreiras, 14, 3.º Esq."));
    EXPECT_EQ(w->ui().FXLocalidade->text(), QStringLiteral("Lisboa"));
    EXPECT_FALSE(w->ui().FXData_Nascimento->text().isEmpty());
    EXPECT_TRUE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_EQ(w->ui().ucIDFotos1->ContactID(), 101);
    EXPECT_TRUE(w->ui().ucIDFotos1->photoPath().endsWith(QStringLiteral("000101.jpg")));
    EXPECT_EQ(w->ui().ucIDFotos1->Connection(), w->ConnZELMAR());
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));

    const Value written = checkedIn(QStringLiteral("1001"));
    ASSERT_TRUE(written.isDateValue());
    EXPECT_GE(written.toDateTime(), before);
    EXPECT_LE(written.toDateTime(), after);
    EXPECT_NE(w->LastConviteID, 0);

    // Paused: default pointer, box locked, then one tick gives it back.
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(w->ui().FXNo_TAP->isEnabled());
    EXPECT_EQ(w->ui().Timer1->Interval(), 2000);
    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_FALSE(w->ui().Timer1->Enabled());
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!")); // the verdict stays after the tick
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_P(DeskCheckin, AnUnknownNumberIsNotFoundAndWritesNothing)
{
    auto w = desk();
    const Value before = scalar(checkinDb(),
                                QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NULL"));
    typeAndEnter(*w, QStringLiteral("424242"));
    EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe..."));
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(201, 201, 3));
    EXPECT_EQ(w->LastConviteID, 0);
    EXPECT_EQ(scalar(checkinDb(), QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NULL")), before);
    EXPECT_EQ(w->ui().Timer1->Interval(), 2000);
    EXPECT_TRUE(waitForUnlock(*w));
}

// Scans of "ab7" and "1003" find the invitations stored as "AB7" and "1003 " (the sample
// invitations 1001 and 1003 renumbered), as SQL Server's default collation finds them.
TEST_P(DeskCheckin, ANumberFindsItsInvitationWhateverItsCaseAndPadding)
{
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET convite_no = 'AB7' WHERE convite_no = '1001'"));
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET convite_no = '1003 ' WHERE convite_no = '1003'"));
    const struct
    {
        const char *typed;
        const char *name;
    } cases[] = {{"ab7", "Ana Catarina Moreira Lopes"}, {"1003", "Luísa Fernanda Guerreiro Dias"}};
    auto w = desk();
    for (const auto &c : cases) {
        w->ui().FXNo_TAP->setText(QString::fromLatin1(c.typed));
        w->VerifyCode();
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!")) << c.typed;
        EXPECT_EQ(w->ui().FXNome_Union->text(), QString::fromUtf8(c.name)) << c.typed;
    }
}

TEST_P(DeskCheckin, AnArchiveFolderInACharColumnIsFoundWithoutItsPadding)
{
    const QString folder = scalar(checkinDb(), QStringLiteral("SELECT arquivodocumental FROM tbDefs")).toText();
    ASSERT_FALSE(folder.isEmpty());
    exec(checkinDb(), QStringLiteral("DROP TABLE tbDefs"));
    exec(checkinDb(), QStringLiteral("CREATE TABLE tbDefs (arquivodocumental CHAR(250))"));
    exec(checkinDb(), QStringLiteral("INSERT INTO tbDefs VALUES ('%1')").arg(folder));
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().ucIDFotos1->ArchiveFolder(), folder.leftJustified(250, QLatin1Char(' ')));
    EXPECT_TRUE(w->ui().ucIDFotos1->hasPhoto());
}

TEST_P(DeskCheckin, AUsedInvitationShowsItsEntryTimeAndWritesNothing)
{
    auto w = desk();
    const Value morning = checkedIn(QStringLiteral("1007"));
    typeAndEnter(*w, QStringLiteral("1007"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite expirado. Já entrou às 09:05"));
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(128, 0, 0));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Maria Helena Sá Carvalho"));
    EXPECT_NE(w->LastConviteID, 0); // found, so the earlier entry can be undone
    EXPECT_EQ(checkedIn(QStringLiteral("1007")), morning);
    ASSERT_TRUE(waitForUnlock(*w));

    const Value evening = checkedIn(QStringLiteral("1014"));
    typeAndEnter(*w, QStringLiteral("1014"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite expirado. Já entrou às 21:40"));
    EXPECT_EQ(checkedIn(QStringLiteral("1014")), evening);
}

TEST_P(DeskCheckin, GuestsWithoutMemberRecordShowTheirNameAndCallSign)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1005"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (CALL: X1)"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Henrique Baptista Correia"));
    EXPECT_TRUE(w->ui().FXNo_Empresa->text().isEmpty());
    EXPECT_EQ(w->ui().ucIDFotos1->Connection(), nullptr); // the photograph is skipped
    EXPECT_TRUE(checkedIn(QStringLiteral("1005")).isDateValue());
    ASSERT_TRUE(waitForUnlock(*w));

    typeAndEnter(*w, QStringLiteral("1006"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Teresa Vieira Campos"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1006")).isDateValue());
    ASSERT_TRUE(waitForUnlock(*w));

    // A used guest invitation is refused without the call sign.
    typeAndEnter(*w, QStringLiteral("1005"));
    EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado. Já entrou às ")));
    EXPECT_FALSE(verdict(*w).contains(QStringLiteral("CALL")));
}

TEST_P(DeskCheckin, AMemberNeverGetsTheCallSign)
{
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET call_in = 'Z9' WHERE convite_no = '1001'"));
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
}

TEST_P(DeskCheckin, AMemberFoundByCompanyNumberInTheOtherOrganisationHasThePhotographLookedForThereFirst)
{
    auto w = desk();
    // 1004: issued by KORDA, member 102 only in ZELMAR's database.
    typeAndEnter(*w, QStringLiteral("1004"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Rui Miguel Ferreira Santos"));
    EXPECT_EQ(w->ui().ucIDFotos1->Connection(), w->ConnZELMAR());
    EXPECT_EQ(w->ui().ucIDFotos1->ContactID(), 102);
    EXPECT_TRUE(w->ui().ucIDFotos1->photoPath().contains(QStringLiteral("ze")));
    ASSERT_TRUE(waitForUnlock(*w));

    // 1003: issued by ZELMAR with a member id nobody has; found by company number in KORDA.
    typeAndEnter(*w, QStringLiteral("1003"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Luísa Fernanda Guerreiro Dias"));
    EXPECT_EQ(w->ui().ucIDFotos1->Connection(), w->ConnKORDA);
    EXPECT_EQ(w->ui().ucIDFotos1->ContactID(), 202);
    EXPECT_TRUE(w->ui().ucIDFotos1->hasPhoto());
}

TEST_P(DeskCheckin, AMemberWithoutPhotographHandsMemberIdZeroToThePhotoControl)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1010"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Sofia Isabel Rebelo Gonçalves"));
    // Not found in ZELMAR, so the search went on in KORDA, which has none either.
    EXPECT_EQ(w->ui().ucIDFotos1->Connection(), w->ConnKORDA);
    EXPECT_EQ(w->ui().ucIDFotos1->ContactID(), 0);
    EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_TRUE(w->ui().ucIDFotos1->ArchiveFolder().contains(QStringLiteral("archive-korda")));
}

TEST_P(DeskCheckin, WithoutAUsableArchiveFolderThePhotoControlIsNotTouched)
{
    const QStringList breakages{
        QStringLiteral("DELETE FROM tbDefs"),
        QStringLiteral("UPDATE tbDefs SET arquivodocumental = NULL"),
        QStringLiteral("UPDATE tbDefs SET arquivodocumental = '") + m_dir.filePath(QStringLiteral("no-such-folder"))
            + QLatin1Char('\''),
    };
    for (const QString &breakage : breakages) {
        SCOPED_TRACE(breakage.toStdString());
        exec(checkinDb(), breakage);
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = NULL WHERE convite_no = '1001'"));
        auto w = desk();
        typeAndEnter(*w, QStringLiteral("1001"));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
        EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
        EXPECT_EQ(w->ui().ucIDFotos1->Connection(), nullptr);
        EXPECT_TRUE(w->ui().ucIDFotos1->ArchiveFolder().isEmpty());
        EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
        EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    }
}

TEST_P(DeskCheckin, AnUnknownDatabaseCodeWithAMemberIdEndsInTheErrorPath)
{
    exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET base_dados = 3 WHERE convite_no = '1001'"));
    for (const QString &number : {QStringLiteral("1013"), QStringLiteral("1001")}) {
        SCOPED_TRACE(number.toStdString());
        TestSupport::clearErrorReports();
        auto w = desk();
        typeAndEnter(*w, number);
        EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Erro no procedimento: "))) << qPrintable(verdict(*w));
        EXPECT_GT(verdict(*w).size(), QStringLiteral("Erro no procedimento: ").size());
        EXPECT_FALSE(w->ui().FXMessage_Invalid->isHidden());
        EXPECT_TRUE(checkedIn(number).isNull());
        EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(reportedProcedures(), QStringList{QStringLiteral("VerifyCode")});
        EXPECT_NE(w->LastConviteID, 0); // what was set before the failure stays
        EXPECT_TRUE(waitForUnlock(*w));
    }
}

TEST_P(DeskCheckin, AnUnreachableDatabaseShowsTheBoxQueriesNothingAndUnlocksAfterThePause)
{
    qputenv("QUORVET_CONNECTION_ZELMAR",
            DemoEnvironment::zelmarConnection(m_dir.filePath(QStringLiteral("gone"))).toUtf8());
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    w->LastConviteID = 77;
    enterText(*w, QStringLiteral("1001"));
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f."));
    EXPECT_EQ(boxes.boxes()[0].style, MsgBox::OKOnly | MsgBox::Information);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("Convites"));
    EXPECT_EQ(w->ui().Label_ZELMAR->text(), QStringLiteral("ERRO: não foi possivel ligar ao servidor do ZELMAR"));
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isNull());
    EXPECT_EQ(w->LastConviteID, 77); // the check-in stopped before its reset
    EXPECT_FALSE(w->ui().FXNo_TAP->isEnabled());
    EXPECT_EQ(w->ui().Timer1->Interval(), 2000);
    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_FALSE(w->ui().Timer1->Enabled());
    EXPECT_TRUE(w->ui().FXNo_TAP->hasFocus());
}

TEST_P(DeskCheckin, TheToolbarButtonChecksTheNumberInToo)
{
    auto w = desk();
    w->ui().FXNo_TAP->setText(QStringLiteral(" 1002 "));
    w->ui().Toolbar2Button->trigger();
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
}

TEST_P(DeskCheckin, TheScreenshotCheckinTypesTheNumberIntoTheBoxAndWaitsForTheUnlock)
{
    auto w = desk();
    ASSERT_TRUE(checkInForScreenshot(*w, QStringLiteral("1009")));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("João Pedro Antunes Barros"));
    EXPECT_TRUE(w->ui().FXMorada->text().isEmpty());
    EXPECT_TRUE(w->ui().FXNo_TAP->isEnabled());
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1009"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1009")).isDateValue());
}

INSTANTIATE_TEST_SUITE_P(Stores, DeskCheckin, deskStores(), deskStoreName);

} // namespace

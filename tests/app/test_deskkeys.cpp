// The entry box's keys on the real main window: Enter checks in (typed or scanned), Esc
// offers to undo the last entry, any other key clears the previous guest.
#include "tests/app/deskfixture.h"

#include <QLabel>

namespace {

const QString UndoTitle = QStringLiteral("Anular última entrada");

class DeskKeys : public DeskFixture
{
};

// Counts the toolbar button's runs, so that a stray Enter would show.
class CountingDesk : public frmMain
{
public:
    void Toolbar2_ButtonClick() override
    {
        ++toolbarRuns;
        frmMain::Toolbar2_ButtonClick();
    }
    int toolbarRuns = 0;
};

TEST_F(DeskKeys, EscAfterAnAcceptedCheckinUndoesItOnTheSameConnection)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    ASSERT_TRUE(waitForUnlock(*w));
    const ConnectionRef used = w->ConnSqlServer();

    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("Deseja anular a última entrada em nome de:\n\r\n\rAna Catarina Moreira Lopes"));
    EXPECT_EQ(boxes.boxes()[0].style, MsgBox::Question | MsgBox::YesNo);
    EXPECT_EQ(boxes.boxes()[0].title, UndoTitle);
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isNull());
    EXPECT_EQ(w->ConnSqlServer(), used);
    EXPECT_TRUE(w->FXNome_Union()->text().isEmpty());
    EXPECT_FALSE(w->ucIDFotos1()->hasPhoto());
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_EQ(w->LastConviteID, 0);

    // The same entry cannot be undone twice.
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskKeys, EscAfterAUsedInvitationOffersToUndoTheEarlierEntryAndNoKeepsIt)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1007"));
    ASSERT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado")));
    ASSERT_TRUE(waitForUnlock(*w));
    const int32_t last = w->LastConviteID;
    ASSERT_NE(last, 0);

    boxes.answerNext(MsgBox::No);
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].prompt.endsWith(QStringLiteral("Maria Helena Sá Carvalho")));
    EXPECT_TRUE(checkedIn(QStringLiteral("1007")).isDateValue());
    EXPECT_EQ(w->LastConviteID, last);
    EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado")));

    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(checkedIn(QStringLiteral("1007")).isNull());
}

TEST_F(DeskKeys, EscAfterAnUnknownNumberOrAfterAnotherKeyDoesNothing)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("424242"));
    ASSERT_TRUE(waitForUnlock(*w));
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe..."));

    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(waitForUnlock(*w));
    // The first key of the next number clears the previous guest and ends the undo.
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_5);
    EXPECT_TRUE(w->FXNome_Union()->text().isEmpty());
    EXPECT_FALSE(w->ucIDFotos1()->hasPhoto());
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_EQ(w->FXNo_TAP()->text(), QStringLiteral("5"));
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
}

TEST_F(DeskKeys, AFailedUndoLeavesEverythingAsItWas)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_TRUE(waitForUnlock(*w));
    exec(checkinDb(), QStringLiteral("CREATE TRIGGER refuse_undo BEFORE UPDATE ON tbConvites WHEN NEW.checked_in IS NULL "
                                     "BEGIN SELECT RAISE(ABORT, 'undo refused'); END"));
    const int32_t last = w->LastConviteID;
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_EQ(w->LastConviteID, last);
    EXPECT_EQ(w->FXNome_Union()->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    const QList<QJsonObject> reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("FXNo_TAP_KeyDown"));
    EXPECT_TRUE(reports[0].value(QStringLiteral("message")).toString().contains(QStringLiteral("undo refused")));
}

TEST_F(DeskKeys, AScannerTypingFastWorksLikeAPerson)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->FXNome_Union()->text(), QStringLiteral("Ana Catarina Moreira Lopes"));

    // Keys that arrive while the desk pauses are kept out.
    QTest::keyClicks(w->FXNo_TAP(), QStringLiteral("99"));
    EXPECT_EQ(w->FXNo_TAP()->text(), QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));

    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_EQ(w->FXNo_TAP()->selectedText(), QStringLiteral("1001"));
    typeAndEnter(*w, QStringLiteral("1002"));
    EXPECT_EQ(w->FXNo_TAP()->text(), QStringLiteral("1002"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->FXNome_Union()->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());

    // Enter on the unchanged selected number runs the same invitation again.
    ASSERT_TRUE(waitForUnlock(*w));
    QTest::keyClick(w->FXNo_TAP(), Qt::Key_Enter); // the keypad's Enter
    EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado. Já entrou às ")));
}

TEST_F(DeskKeys, EnterChecksInOnceAndTriggersNothingElse)
{
    CountingDesk w;
    w.setProcessTerminator([](const QString &) { return false; });
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.FXNo_TAP()->setFocus();
    typeAndEnter(w, QStringLiteral("1006"));
    // A second run would have found the invitation used.
    EXPECT_EQ(verdict(w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w.toolbarRuns, 0);
    QTest::keyRelease(w.FXNo_TAP(), Qt::Key_Return);
    EXPECT_EQ(verdict(w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w.toolbarRuns, 0);
}

} // namespace

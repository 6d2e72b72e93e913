// The entry box's keys on the real main window: Enter checks in (typed or scanned), Esc
// offers to undo the last entry, any other key clears the previous guest.
#include "tests/app/deskfixture.h"

#include "app/lockedscanfilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QToolBar>

namespace {

const QString UndoTitle = QStringLiteral("Anular última entrada");

class DeskKeys : public OnBothStores<>
{
protected:
    static QWidget *validarButton(const frmMain &w) { return w.ui().Toolbar2->widgetForAction(w.ui().Toolbar2Button); }

    // Keys as the window system delivers them, `gap` milliseconds apart from `*ms` on: to the
    // widget with the focus (none while the desk is locked: then the window takes them).
    static void scan(frmMain &w, const QString &keys, quint64 *ms, quint64 gap = 10)
    {
        for (const QChar c : keys) {
            const int key = c == QLatin1Char('\r') ? int(Qt::Key_Return) : int(c.unicode());
            const QString text = c == QLatin1Char('\r') ? QString() : QString(c);
            QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(type, key, Qt::NoModifier, text);
                event.setTimestamp(*ms);
                QApplication::sendEvent(target, &event);
            }
            *ms += gap;
        }
    }
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

TEST_P(DeskKeys, EscAfterAnAcceptedCheckinUndoesItOnTheSameConnection)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    ASSERT_TRUE(waitForUnlock(*w));
    const ConnectionRef used = w->ConnSqlServer();

    // No keeps the entry and the possibility to undo it.
    const int32_t last = w->LastConviteID;
    boxes.answerNext(MsgBox::No);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt,
              QStringLiteral("Deseja anular a última entrada em nome de:\n\r\n\rAna Catarina Moreira Lopes"));
    EXPECT_EQ(boxes.boxes()[0].style, MsgBox::Question | MsgBox::YesNo);
    EXPECT_EQ(boxes.boxes()[0].title, UndoTitle);
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_EQ(w->LastConviteID, last);
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));

    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    ASSERT_EQ(boxes.boxes().size(), 2);
    EXPECT_EQ(boxes.boxes()[1].prompt, boxes.boxes()[0].prompt);
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isNull());
    EXPECT_EQ(w->ConnSqlServer(), used);
    EXPECT_TRUE(w->ui().FXNome_Union->text().isEmpty());
    EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_EQ(w->LastConviteID, 0);

    // The same entry cannot be undone twice.
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 2);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// The undo is of an entry this desk made: after a refusal or a failed check-in, which wrote
// nothing, Esc offers nothing and the earlier entry of another desk stays.
// Esc after "Convite expirado" offers the undo when the time shown is one this desk wrote, also
// after the desk was restarted (from its journal), and never for an entry another desk made.
TEST_P(DeskKeys, EscAfterRescanningOwnEntryOffersTheUndoButNeverForAnotherDesks)
{
    const auto useJournal = [&](const char *name) {
        qputenv("QUORVET_JOURNAL", m_dir.filePath(QLatin1String(name)).toUtf8());
    };
    const std::shared_ptr<void> unsetJournal(nullptr, [](void *) { qunsetenv("QUORVET_JOURNAL"); });
    TestSupport::MsgBoxRecorder boxes;
    const auto escOffers = [&](frmMain &w) { // answered No
        const int before = boxes.boxes().size();
        QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_Escape);
        return boxes.boxes().size() > before;
    };
    const QString own = QStringLiteral("1002");
    const QString others = QStringLiteral("1003");
    useJournal("other.db");
    {
        auto other = desk();
        typeAndEnter(*other, others);
        ASSERT_EQ(verdict(*other), QStringLiteral("Convite OK!"));
    }
    useJournal("own.db");
    for (const bool restarted : {false, true}) {
        SCOPED_TRACE(restarted ? "after a restart" : "same run");
        auto w = desk();
        if (!restarted) {
            typeAndEnter(*w, own);
            ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
            w->Timer1_Timer(); // the pause ends at once
        }
        typeAndEnter(*w, own);
        EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado. Já entrou às ")));
        w->Timer1_Timer(); // the pause ends at once
        EXPECT_TRUE(escOffers(*w));
        for (const QString &number : {others, QStringLiteral("1007")}) { // 1007: entered before the event
            typeAndEnter(*w, number);
            EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado. Já entrou às ")));
            w->Timer1_Timer(); // the pause ends at once
            EXPECT_FALSE(escOffers(*w)) << number.toStdString();
        }
    }
    // And the undo, offered after the restart, clears this desk's entry.
    auto w = desk();
    typeAndEnter(*w, own);
    w->Timer1_Timer(); // the pause ends at once
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_TRUE(checkedIn(own).isNull());
    EXPECT_TRUE(checkedIn(others).isDateValue());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_P(DeskKeys, EscAfterACheckinThatWroteNothingOffersNoUndo)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    for (const QString &number : {QStringLiteral("1007"), QStringLiteral("1013")}) {
        SCOPED_TRACE(number.toStdString());
        const Value before = checkedIn(number);
        typeAndEnter(*w, number);
        ASSERT_FALSE(verdict(*w).startsWith(QStringLiteral("Convite OK")));
        ASSERT_NE(w->LastConviteID, 0);
        ASSERT_TRUE(waitForUnlock(*w));
        boxes.answerNext(MsgBox::Yes);
        QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
        EXPECT_TRUE(boxes.boxes().isEmpty());
        EXPECT_EQ(checkedIn(number), before);
        EXPECT_FALSE(verdict(*w).isEmpty());
    }
}

// The undo clears the entry only while it still holds the time this desk wrote. When another
// desk has changed it since (cleared it, or cleared it and let the guest in again), the
// operator is told so and nothing changes, neither in the database nor on screen.
TEST_P(DeskKeys, AnUndoOfAnEntryChangedSinceByAnotherDeskChangesNothingAndSaysSo)
{
    const struct
    {
        const char *change;
        Value after;
    } cases[] = {
        {"NULL", Value::null()},
        {"'2020-05-04 09:05:00.000'", Value::date(QDate(2020, 5, 4), QTime(9, 5))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.change);
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = NULL WHERE convite_no = '1001'"));
        TestSupport::MsgBoxRecorder boxes;
        auto w = desk();
        typeAndEnter(*w, QStringLiteral("1001"));
        ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
        ASSERT_TRUE(waitForUnlock(*w));
        exec(checkinDb(), QStringLiteral("UPDATE tbConvites SET checked_in = %1 WHERE convite_no = '1001'")
                              .arg(QLatin1String(c.change)));
        const int32_t last = w->LastConviteID;

        boxes.answerNext(MsgBox::Yes);
        QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
        ASSERT_EQ(boxes.boxes().size(), 2);
        EXPECT_EQ(boxes.boxes()[1].prompt, QStringLiteral("A última entrada foi alterada noutro posto depois de "
                                                          "registada aqui. Nada foi anulado."));
        EXPECT_EQ(boxes.boxes()[1].style, MsgBox::OKOnly | MsgBox::Information);
        EXPECT_EQ(boxes.boxes()[1].title, UndoTitle);
        EXPECT_EQ(checkedIn(QStringLiteral("1001")), c.after);
        EXPECT_EQ(w->LastConviteID, last);
        EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
        EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
        EXPECT_TRUE(TestSupport::errorReports().isEmpty());
    }
}

TEST_P(DeskKeys, EscAfterAnUnknownNumberOrAfterAnotherKeyDoesNothing)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("424242"));
    ASSERT_TRUE(waitForUnlock(*w));
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe..."));

    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(waitForUnlock(*w));
    // The first key of the next number clears the previous guest and ends the undo.
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_5);
    EXPECT_TRUE(w->ui().FXNome_Union->text().isEmpty());
    EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_TRUE(verdict(*w).isEmpty());
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("5"));
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());
}

TEST_P(DeskKeys, AFailedUndoLeavesEverythingAsItWas)
{
    TestSupport::MsgBoxRecorder boxes;
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_TRUE(waitForUnlock(*w));
    exec(checkinDb(),
         QStringLiteral("CREATE TRIGGER refuse_undo BEFORE UPDATE ON tbConvites WHEN NEW.checked_in IS NULL "
                        "BEGIN SELECT RAISE(ABORT, 'undo refused'); END"));
    const int32_t last = w->LastConviteID;
    boxes.answerNext(MsgBox::Yes);
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Escape);
    EXPECT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_EQ(w->LastConviteID, last);
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    const QList<QJsonObject> reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("FXNo_TAP_KeyDown"));
    EXPECT_TRUE(reports[0].value(QStringLiteral("message")).toString().contains(QStringLiteral("undo refused")));
}

TEST_P(DeskKeys, AScannerTypingFastWorksLikeAPerson)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));

    // Keys that arrive while the desk pauses are kept out.
    QTest::keyClicks(w->ui().FXNo_TAP, QStringLiteral("99"));
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1001"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));

    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_EQ(w->ui().FXNo_TAP->selectedText(), QStringLiteral("1001"));
    typeAndEnter(*w, QStringLiteral("1002"));
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1002"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1001")).isDateValue());
    EXPECT_TRUE(checkedIn(QStringLiteral("1002")).isDateValue());

    // Enter on the unchanged selected number runs the same invitation again.
    ASSERT_TRUE(waitForUnlock(*w));
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Enter); // the keypad's Enter
    EXPECT_TRUE(verdict(*w).startsWith(QStringLiteral("Convite expirado. Já entrou às ")));
}

TEST_P(DeskKeys, EnterChecksInOnceAndTriggersNothingElse)
{
    CountingDesk w;
    w.setProcessTerminator([](const QString &) { return false; });
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.ui().FXNo_TAP->setFocus();
    typeAndEnter(w, QStringLiteral("1006"));
    // A second run would have found the invitation used.
    EXPECT_EQ(verdict(w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w.toolbarRuns, 0);
    QTest::keyRelease(w.ui().FXNo_TAP, Qt::Key_Return);
    EXPECT_EQ(verdict(w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w.toolbarRuns, 0);
}

// However a check-in was started, the whole number in the box is selected when the box
// comes back, so that the next scan or keystroke replaces it: after a verdict, after the
// error path and after the connect message. Each number is typed, so nothing is selected
// when the check-in starts.
TEST_P(DeskKeys, TheWholeNumberIsSelectedWhenTheBoxComesBackHoweverTheCheckinStarted)
{
    TestSupport::MsgBoxRecorder boxes;
    enum class Start { Enter, Button, Action };
    const struct
    {
        Start start;
        const char *number;
        bool unreachable;
    } cases[] = {
        {Start::Enter, "1002", false},  {Start::Button, "1003", false},
        {Start::Action, "1004", false}, // what a shortcut does: the button's action is triggered
        {Start::Button, "1013", false}, // the error path
        {Start::Button, "1006", true},  // the connect message
    };
    auto w = desk();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        if (c.unreachable)
            qputenv("QUORVET_CONNECTION_ZELMAR",
                    DemoEnvironment::zelmarConnection(m_dir.filePath(QStringLiteral("gone"))).toUtf8());
        w->ui().FXNo_TAP->clear();
        QTest::keyClicks(w->ui().FXNo_TAP, QLatin1String(c.number));
        ASSERT_TRUE(w->ui().FXNo_TAP->selectedText().isEmpty());
        switch (c.start) {
        case Start::Enter: QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Return); break;
        case Start::Button: QTest::mouseClick(validarButton(*w), Qt::LeftButton); break;
        case Start::Action: w->ui().Toolbar2Button->trigger(); break;
        }
        ASSERT_FALSE(w->ui().FXNo_TAP->isEnabled());
        ASSERT_TRUE(waitForUnlock(*w));
        EXPECT_TRUE(w->ui().FXNo_TAP->hasFocus());
        EXPECT_EQ(w->ui().FXNo_TAP->selectedText(), QLatin1String(c.number));
    }
    EXPECT_EQ(boxes.boxes().size(), 1);
}

// A click on "Validar" (or its action) while the desk is locked starts nothing: the verdict
// of the check-in that ran stays, and the next number scanned after the pause replaces the
// old one and is checked in.
TEST_P(DeskKeys, ValidarWhileTheDeskIsLockedStartsNothing)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    QTest::mouseClick(validarButton(*w), Qt::LeftButton);
    w->ui().Toolbar2Button->trigger();
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));

    typeAndEnter(*w, QStringLiteral("1006"));
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1006"));
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Teresa Vieira Campos"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1006")).isDateValue());
}

// A scan of 201006 that begins while the desk is locked and ends after the box is back is
// dropped whole, its Enter too: no partial number reaches the check-in, the previous number
// stays selected. The next scan, after a pause, is handled as ever.
TEST_P(DeskKeys, AScanThatBeginsWhileTheDeskIsLockedIsDroppedWhole)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1002"));
    ASSERT_EQ(verdict(*w), QStringLiteral("Convite OK!"));
    quint64 ms = 5000000;
    scan(*w, QStringLiteral("20"), &ms);
    ASSERT_TRUE(waitForUnlock(*w));
    scan(*w, QStringLiteral("1006\r"), &ms);
    EXPECT_TRUE(w->ui().FXNo_TAP->isEnabled()); // no check-in ran
    EXPECT_EQ(w->ui().FXNo_TAP->selectedText(), QStringLiteral("1002"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Pedro Manuel Oliveira Costa"));
    EXPECT_TRUE(checkedIn(QStringLiteral("1006")).isNull());

    ms += 3000;
    scan(*w, QStringLiteral("201006\r"), &ms);
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("201006"));
    EXPECT_EQ(verdict(*w), QStringLiteral("O convite não existe..."));
}

// Which keys belong to a scan that began while the desk was locked: keys that follow each
// other within the gap of one scan, up to and including its Enter.
TEST(LockedScanFilterTest, DropsTheKeysOfAScanThatBeganWhileLocked)
{
    struct Key
    {
        quint64 ms;
        bool locked;
        bool enter;
        bool dropped;
    };
    const quint64 gap = LockedScanFilter::DefaultBurstGapMs;
    const struct
    {
        const char *name;
        std::vector<Key> keys;
    } cases[] = {
        {"never locked", {{0, false, false, false}, {5, false, false, false}, {10, false, true, false}}},
        {"wholly inside the pause",
         {{0, true, false, true}, {10, true, false, true}, {20, true, true, true}, {30, false, false, false}}},
        {"crossing the end of the pause",
         {{0, true, false, true},
          {10, false, false, true},
          {20, false, false, true},
          {30, false, true, true},
          {40, false, false, false}}},
        {"a gap of exactly the threshold still belongs to the scan",
         {{0, true, false, true}, {gap, false, false, true}, {2 * gap + 1, false, false, false}}},
        {"a key typed in the pause, then a pause",
         {{0, true, false, true}, {500, false, false, false}, {600, false, true, false}}},
        {"a clock that goes back ends the scan", {{100, true, false, true}, {50, false, false, false}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LockedScanFilter filter;
        for (std::size_t k = 0; k < c.keys.size(); ++k) {
            const Key &key = c.keys[k];
            EXPECT_EQ(filter.drop(key.ms, key.locked, key.enter), key.dropped) << "key " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, DeskKeys, deskStores(), deskStoreName);

} // namespace

// The member panel (FillFields), the verdict labels (ShowMessage), the reset (LimparForm)
// and the tick that ends the pause, on the real main window.
#include "tests/app/deskfixture.h"

#include "ui/controltag.h"
#include "ui/vbtimer.h"
#include "ui/verdictsymbol.h"

#include <QApplication>
#include <QLabel>

namespace {

class DeskDisplay : public DeskFixture
{
protected:
    RecordsetRef member(int contactoId)
    {
        m_connection = open(checkinDb());
        auto rs = std::make_shared<Recordset>();
        rs->Open(QStringLiteral("SELECT * FROM vwAssociados_Completos WHERE contacto_id = %1").arg(contactoId),
                 m_connection);
        return rs;
    }

    static QStringList panel(const frmMain &w)
    {
        QStringList texts;
        for (QLabel *l : {w.ui().FXNome_Union, w.ui().FXNo_Empresa, w.ui().FXNo_Socio, w.ui().FXData_Nascimento,
                          w.ui().FXEmpresa, w.ui().FXBase, w.ui().FXMorada, w.ui().FXLocalidade})
            texts << l->text();
        return texts;
    }

    static QList<bool> shown(const frmMain &w)
    {
        return {!w.ui().FXMessage_OK->isHidden(), !w.ui().FXMessage_Alert->isHidden(),
                !w.ui().FXMessage_Invalid->isHidden(), !w.ui().FXMessage_Fundo->isHidden()};
    }

    ConnectionRef m_connection;
};

TEST_F(DeskDisplay, FillFieldsWritesTheEightLabelsAndANullColumnLeavesItsLabelEmpty)
{
    auto w = desk();
    RecordsetRef rs = member(104);
    w->FillFields(rs);
    const QStringList texts = panel(*w);
    EXPECT_EQ(texts[0], QStringLiteral("João Pedro Antunes Barros"));
    EXPECT_EQ(texts[1], QStringLiteral("310104"));
    EXPECT_EQ(texts[2], QStringLiteral("1204"));
    EXPECT_EQ(texts[3], QStringLiteral("19-07-1960"));
    EXPECT_EQ(texts[4], QStringLiteral("Manutenção Aeronáutica Lusitana, S.A."));
    EXPECT_EQ(texts[5], QStringLiteral("Faro"));
    EXPECT_TRUE(texts[6].isEmpty()); // morada is Null
    EXPECT_EQ(texts[7], QStringLiteral("Faro"));
    EXPECT_TRUE(Tag(w->ui().FXNome_Union).isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskDisplay, FillFieldsLeavesThePanelAloneForNoClosedOrEmptyResultSets)
{
    auto w = desk();
    RecordsetRef rs = member(101);
    w->FillFields(rs);
    const QStringList before = panel(*w);
    ASSERT_EQ(before[0], QStringLiteral("Ana Catarina Moreira Lopes"));

    RecordsetRef none;
    w->FillFields(none);
    RecordsetRef closed = member(102);
    closed->Close();
    w->FillFields(closed);
    RecordsetRef empty = member(424242);
    ASSERT_TRUE(empty->Eof());
    w->FillFields(empty);
    EXPECT_EQ(panel(*w), before);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskDisplay, FillFieldsWithoutAColumnFailsThereAndReports)
{
    auto w = desk();
    auto rs = std::make_shared<Recordset>();
    m_connection = open(checkinDb());
    rs->Open(QStringLiteral("SELECT nome_union, no_empresa FROM vwAssociados_Completos WHERE contacto_id = 101"),
             m_connection);
    w->FillFields(rs);
    EXPECT_EQ(w->ui().FXNome_Union->text(), QStringLiteral("Ana Catarina Moreira Lopes"));
    EXPECT_EQ(w->ui().FXNo_Empresa->text(), QStringLiteral("310101"));
    EXPECT_TRUE(w->ui().FXNo_Socio->text().isEmpty());
    const QList<QJsonObject> reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("FillFields"));
}

// A guest name or call sign holding markup is shown as the text it is, from the first
// check-in of the session on: nothing is drawn bigger, coloured, or loses its tags.
TEST_F(DeskDisplay, TextFromTheDatabaseIsShownAsPlainTextFromTheFirstCheckin)
{
    const QString name = QStringLiteral("<font color=red size=7>Ana</font> <b>Sousa</b>");
    exec(
        checkinDb(),
        QStringLiteral("UPDATE tbConvites SET nome = '%1', call_in = '<i>X1</i>' WHERE convite_no = '1005'").arg(name));
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1005"));
    EXPECT_EQ(w->ui().FXNome_Union->text(), name);
    EXPECT_EQ(verdict(*w), QStringLiteral("Convite OK! (CALL: <i>X1</i>)"));

    // Drawn exactly as a plain-text label of the same look, in the same place, draws it.
    QLabel plain(name, w->ui().FXNome_Union->parentWidget());
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(w->ui().FXNome_Union->font());
    plain.setPalette(w->ui().FXNome_Union->palette());
    plain.setAlignment(w->ui().FXNome_Union->alignment());
    plain.setGeometry(w->ui().FXNome_Union->geometry());
    plain.show();
    EXPECT_EQ(w->ui().FXNome_Union->grab().toImage(), plain.grab().toImage());

    for (QLabel *l : {w->ui().FXNome_Union, w->ui().FXNo_Empresa, w->ui().FXNo_Socio, w->ui().FXData_Nascimento,
                      w->ui().FXEmpresa, w->ui().FXBase, w->ui().FXMorada, w->ui().FXLocalidade, w->ui().FXMessage_OK,
                      w->ui().FXMessage_Alert, w->ui().FXMessage_Invalid, w->ui().Label_ZELMAR, w->ui().Label_KORDA})
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << l->objectName().toStdString();
}

TEST_F(DeskDisplay, ShowMessageShowsOneVerdictOverTheBandInItsColour)
{
    auto w = desk();
    w->ShowMessage(1, QString(), QStringLiteral("X1"));
    EXPECT_EQ(shown(*w), (QList<bool>{true, false, false, true}));
    EXPECT_EQ(w->ui().FXMessage_OK->text(), QStringLiteral("Convite OK! (CALL: X1)"));
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(47, 106, 151));

    // The next verdict restores the standard texts.
    w->ShowMessage(3, QString(), QString());
    EXPECT_EQ(shown(*w), (QList<bool>{false, false, true, true}));
    EXPECT_EQ(w->ui().FXMessage_Invalid->text(), QStringLiteral("O convite não é válido!"));
    EXPECT_EQ(w->ui().FXMessage_OK->text(), QStringLiteral("Convite OK!"));
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(128, 0, 0));

    // A replacement text wins over the call sign.
    w->ShowMessage(3, QStringLiteral("Outro texto"), QStringLiteral("X2"));
    EXPECT_EQ(w->ui().FXMessage_Invalid->text(), QStringLiteral("Outro texto"));
    EXPECT_EQ(Tag(w->ui().FXMessage_Invalid), QStringLiteral("O convite não é válido!"));

    w->ShowMessage(2, QString(), QString());
    EXPECT_EQ(shown(*w), (QList<bool>{false, true, false, true}));
    EXPECT_EQ(w->ui().FXMessage_Alert->text(), QStringLiteral("O convite não existe..."));
    EXPECT_EQ(w->ui().FXMessage_Fundo->palette().color(QPalette::Window), QColor(201, 201, 3));
    EXPECT_EQ(w->ui().FXMessage_Invalid->text(), QStringLiteral("O convite não é válido!"));
}

TEST_F(DeskDisplay, ShowMessageOfAnotherKindHidesAllFourAndAppliesNoText)
{
    auto w = desk();
    for (int kind : {0, 4, -1}) {
        w->ShowMessage(1, QString(), QString());
        w->ShowMessage(kind, QStringLiteral("texto"), QStringLiteral("X1"));
        EXPECT_EQ(shown(*w), (QList<bool>{false, false, false, false})) << kind;
        EXPECT_EQ(w->ui().FXMessage_OK->text(), QStringLiteral("Convite OK!"));
        EXPECT_EQ(w->ui().FXMessage_Alert->text(), QStringLiteral("O convite não existe..."));
        EXPECT_EQ(w->ui().FXMessage_Invalid->text(), QStringLiteral("O convite não é válido!"));
    }
}

// Beside the verdict's text a symbol says the same without its colour. On a grab of the
// maximized window: the stroke of each kind's figure is white where that figure has one and
// the band shows where the other figures have theirs; the cleared screen shows no symbol.
TEST_F(DeskDisplay, EachVerdictShowsItsSymbolOnScreenAndTheClearedScreenNone)
{
    auto w = desk();
    w->Form_Load();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->size() == QSize(1280, 800); }, 5000));
    const QRect area(w->ui().verdictSymbol->mapTo(w.get(), QPoint(0, 0)), w->ui().verdictSymbol->size());
    ASSERT_GE(area.height(), w->ui().FXMessage_OK->height()); // scaled with the band, not a fixed icon
    const auto pixel = [&](const QImage &grab, double x, double y) {
        return grab.pixelColor(area.left() + int(x * area.width()), area.top() + int(y * area.height()));
    };
    const struct
    {
        int kind;
        QColor band;
        QPointF stroke; // a point of this figure
        QPointF clear;  // a point of another figure only
    } kinds[] = {
        {1, QColor(47, 106, 151), {0.40, 0.78}, {0.22, 0.22}}, // tick: its corner, not the cross's arm
        {2, QColor(201, 201, 3), {0.50, 0.84}, {0.40, 0.78}},  // question mark: its dot, not the tick's corner
        {3, QColor(128, 0, 0), {0.22, 0.22}, {0.40, 0.78}},    // cross: its arm, not the tick's corner
    };
    for (const auto &k : kinds) {
        w->ShowMessage(k.kind, QString(), QString());
        const QImage grab = w->grab().toImage();
        EXPECT_EQ(pixel(grab, k.stroke.x(), k.stroke.y()), QColor(Qt::white)) << k.kind;
        EXPECT_EQ(pixel(grab, k.clear.x(), k.clear.y()), k.band) << k.kind;
    }
    w->LimparForm();
    EXPECT_TRUE(w->ui().verdictSymbol->isHidden());
    // Neither band nor symbol: the body's white alone (the symbol's strokes have a dark edge).
    QImage cleared = w->grab().toImage().copy(area).convertToFormat(QImage::Format_RGB32);
    QImage white(cleared.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(cleared, white);
}

TEST_F(DeskDisplay, LimparFormEmptiesPanelPhotographAndVerdictAndEndsTheUndo)
{
    auto w = desk();
    typeAndEnter(*w, QStringLiteral("1001"));
    ASSERT_TRUE(w->ui().ucIDFotos1->hasPhoto());
    ASSERT_NE(w->LastConviteID, 0);
    w->LimparForm();
    EXPECT_EQ(panel(*w), QStringList(8, QString()));
    EXPECT_FALSE(w->ui().ucIDFotos1->hasPhoto());
    EXPECT_EQ(w->ui().ucIDFotos1->ContactID(), -1);
    EXPECT_EQ(shown(*w), (QList<bool>{false, false, false, false}));
    EXPECT_EQ(w->LastConviteID, 0);
    // The entry box, its text and the timer are left alone.
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("1001"));
    EXPECT_EQ(w->ui().Timer1->Interval(), 2000);

    // On an empty panel it still clears the photograph and hides the verdict.
    w->ShowMessage(2, QString(), QString());
    w->LimparForm();
    EXPECT_EQ(panel(*w), QStringList(8, QString()));
    EXPECT_EQ(shown(*w), (QList<bool>{false, false, false, false}));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(DeskDisplay, TheTickFiresOnceAndGivesTheEntryBoxBackFocused)
{
    auto w = desk();
    int ticks = 0;
    QObject::connect(w->ui().Timer1, &VbTimer::Timer, [&] { ++ticks; });
    typeAndEnter(*w, QStringLiteral("424242"));
    EXPECT_FALSE(w->ui().FXNo_TAP->isEnabled());
    EXPECT_EQ(w->ui().FXNo_TAP->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    ASSERT_TRUE(waitForUnlock(*w));
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(w->ui().Timer1->Enabled());
    EXPECT_EQ(w->ui().Timer1->Interval(), 0);
    EXPECT_FALSE(w->ui().Timer1->isRunning());
    EXPECT_EQ(w->ui().FXNo_TAP->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    EXPECT_TRUE(w->ui().FXNo_TAP->hasFocus());
    // The number stays selected, so the next one typed replaces it.
    EXPECT_EQ(w->ui().FXNo_TAP->selectedText(), QStringLiteral("424242"));
}

// The entry box keeps no undo history from one guest to the next, however many numbers
// have been typed into it: nothing to bring back with Ctrl+Z, and nothing that grows.
TEST_F(DeskDisplay, TheTickLeavesTheEntryBoxWithoutUndoHistory)
{
    auto w = desk();
    for (const QString &number : {QStringLiteral("424242"), QStringLiteral("535353")}) {
        typeAndEnter(*w, number);
        ASSERT_TRUE(waitForUnlock(*w));
        EXPECT_FALSE(w->ui().FXNo_TAP->isUndoAvailable());
        EXPECT_EQ(w->ui().FXNo_TAP->text(), number);
        EXPECT_EQ(w->ui().FXNo_TAP->selectedText(), number);
    }
    QTest::keyClick(w->ui().FXNo_TAP, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w->ui().FXNo_TAP->text(), QStringLiteral("535353"));
}

} // namespace

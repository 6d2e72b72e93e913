#include "app/frmmain.h"
#include "ui/controltag.h"
#include "ui/twipsgeometry.h"
#include "ui/vbkeys.h"
#include "ui/vbtimer.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Records the event procedures as they arrive; closing it ends nothing.
class WatchedMain : public frmMain
{
public:
    WatchedMain()
    {
        setProcessTerminator([](const QString &) { return false; });
    }
    void Form_Resize() override { ++resizes; }
    void Toolbar1_ButtonClick() override { ++toolbar1; }
    void Toolbar2_ButtonClick() override { ++toolbar2; }
    void FXNo_TAP_KeyDown(int16_t keyCode, int16_t shift) override
    {
        keys.append({keyCode, shift, ui().FXNo_TAP->text()});
    }
    void Timer1_Timer() override { ++ticks; }

    struct Key
    {
        int16_t code;
        int16_t shift;
        QString textBefore;
    };
    int resizes = 0, toolbar1 = 0, toolbar2 = 0, ticks = 0;
    QList<Key> keys;
};

// Stacking position of a widget among its siblings (higher is nearer the top).
int stackIndex(const QWidget *w)
{
    return int(w->parentWidget()->children().indexOf(const_cast<QWidget *>(w)));
}

TEST(frmMainTest, EveryControlSitsInItsContainerAtItsDesignGeometry)
{
    frmMain w;
    EXPECT_EQ(w.size(), QSize(817, 557));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Convites"));
    EXPECT_FALSE(w.windowIcon().isNull());

    const frmMainUi &ui = w.ui();
    EXPECT_EQ(ui.Frame1->parentWidget(), &w);
    EXPECT_EQ(ui.Frame2->parentWidget(), &w);
    for (QWidget *c : {ui.Image1, ui.Image2, ui.Label1, ui.Label2, ui.Label3})
        EXPECT_EQ(c->parentWidget(), ui.Frame1) << c->objectName().toStdString();
    QList<QWidget *> body{
        ui.FXNo_TAP,          ui.Toolbar1,        ui.Toolbar2,       ui.searchToolBar, ui.ucIDFotos1,
        ui.statisticsToolBar, ui.Label4,          ui.Label_ZELMAR,   ui.Label_KORDA,   ui.FXMessage_OK,
        ui.FXMessage_Invalid, ui.FXMessage_Alert, ui.FXMessage_Fundo};
    for (size_t row = 0; row < ui.memberValues.size(); ++row)
        body << ui.memberCaptions[row] << ui.memberValues[row];
    for (QWidget *c : body)
        EXPECT_EQ(c->parentWidget(), ui.Frame2) << c->objectName().toStdString();
    // Design rectangles worked out by hand at 15 twips per pixel.
    EXPECT_EQ(ui.Frame1->geometry(), QRect(-4, 0, 840, 70));
    EXPECT_EQ(ui.Frame2->geometry(), QRect(-3, 63, 825, 507));
    EXPECT_EQ(ui.FXNo_TAP->geometry(), QRect(120, 57, 293, 21));
    EXPECT_EQ(ui.Label_KORDA->geometry(), QRect(467, 35, 344, 19));
    EXPECT_EQ(ui.FXMessage_OK->geometry(), QRect(30, 402, 766, 67));
    EXPECT_EQ(ui.ucIDFotos1->geometry(), QRect(525, 126, 256, 247));
    EXPECT_EQ(ui.FXNome_Union_Label->geometry(), QRect(51, 132, 92, 17));
    EXPECT_EQ(ui.FXLocalidade->geometry(), QRect(150, 351, 334, 35));
    EXPECT_EQ(ui.searchToolBar->geometry(), QRect(587, 84, 141, 22));
    EXPECT_EQ(ui.statisticsToolBar->geometry(), QRect(731, 84, 89, 22));
    EXPECT_EQ(TwipsGeometry::twipsRect(ui.FXNo_TAP), (TwipsRect{1800, 855, 4395, 315}));

    EXPECT_EQ(w.ui().Frame1->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(w.ui().Frame2->frameShape(), QFrame::Box);
    EXPECT_EQ(w.ui().Frame2->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(w.ui().Timer1->objectName(), QStringLiteral("Timer1"));
    EXPECT_TRUE(w.ui().Timer1->Enabled());
    EXPECT_EQ(w.ui().Timer1->Interval(), 0);
}

TEST(frmMainTest, HeaderArtworkAndToolbars)
{
    frmMain w;
    EXPECT_EQ(w.ui().Image1->pixmap().size(), QSize(600, 70));
    EXPECT_FALSE(w.ui().Image1->hasScaledContents());
    EXPECT_EQ(w.ui().Image2->pixmap().size(), QSize(41, 70));
    EXPECT_TRUE(w.ui().Image2->hasScaledContents());
    ASSERT_EQ(w.ui().ImageList1.size(), 4);

    // What the buttons draw: the caption of Toolbar2 keeps its two trailing blanks.
    const auto drawn = [](QToolBar *bar) {
        const auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(bar->actions().value(0)));
        return button ? button->text() : QStringLiteral("(no button)");
    };
    EXPECT_EQ(drawn(w.ui().Toolbar2), QStringLiteral("Validar  "));
    EXPECT_EQ(drawn(w.ui().Toolbar1), QStringLiteral("Verificar Entrada de VIPs"));
    for (QToolBar *bar : {w.ui().Toolbar1, w.ui().Toolbar2}) {
        EXPECT_EQ(bar->actions().size(), 1);
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        EXPECT_FALSE(bar->actions().constFirst()->icon().isNull());
    }
}

TEST(frmMainTest, TextsFontsAndColours)
{
    frmMain w;
    const QColor grey(64, 64, 64);
    EXPECT_EQ(w.ui().Label4->text(), QStringLiteral("Nº Convite:"));
    EXPECT_EQ(w.ui().FXNo_Socio_Label->text(), QStringLiteral("Nº Sócio:"));
    EXPECT_EQ(w.ui().FXData_Nascimento_Label->text(), QStringLiteral("Data Nascimento:"));
    for (QLabel *l : {w.ui().FXNome_Union_Label, w.ui().FXLocalidade_Label, w.ui().Label4}) {
        EXPECT_EQ(l->palette().color(QPalette::WindowText), grey);
        EXPECT_EQ(l->font(), w.font());
        EXPECT_FALSE(l->autoFillBackground());
    }
    EXPECT_EQ(w.ui().FXNome_Union->font().family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(w.ui().FXNome_Union->font().pointSizeF(), 18.0);
    EXPECT_TRUE(w.ui().FXNome_Union->font().bold());
    for (QLabel *l : {w.ui().FXNo_Empresa, w.ui().FXLocalidade, w.ui().FXBase}) {
        EXPECT_DOUBLE_EQ(l->font().pointSizeF(), 14.25);
        EXPECT_TRUE(l->font().bold());
        EXPECT_EQ(l->palette().color(QPalette::WindowText), grey);
        EXPECT_TRUE(l->text().isEmpty());
    }

    EXPECT_TRUE(w.ui().Label1->font().bold());
    EXPECT_DOUBLE_EQ(w.ui().Label1->font().pointSizeF(), 9.75);
    EXPECT_DOUBLE_EQ(w.ui().Label2->font().pointSizeF(), 9.0);
    EXPECT_FALSE(w.ui().Label3->font().bold());
    for (QLabel *l : {w.ui().Label1, w.ui().Label2, w.ui().Label3}) {
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(Qt::white));
        EXPECT_FALSE(l->text().isEmpty());
    }
    EXPECT_TRUE(w.ui().Label2->text().startsWith(QStringLiteral("ZELMAR")));
    EXPECT_TRUE(w.ui().Label3->text().startsWith(QStringLiteral("KORDA")));

    EXPECT_EQ(w.ui().Label_ZELMAR->text(), QStringLiteral("Conectado ao servidor do ZELMAR"));
    EXPECT_EQ(w.ui().Label_KORDA->text(), QStringLiteral("Conectado ao servidor da KORDA"));
    EXPECT_TRUE(w.ui().Label_KORDA->alignment() & Qt::AlignRight);

    const struct
    {
        QLabel *label;
        const char16_t *text;
        QColor back;
    } verdicts[] = {{w.ui().FXMessage_OK, u"Convite OK!", QColor(47, 106, 151)},
                    {w.ui().FXMessage_Invalid, u"O convite não é válido!", QColor(128, 0, 0)},
                    {w.ui().FXMessage_Alert, u"O convite não existe...", QColor(201, 201, 3)}};
    for (const auto &v : verdicts) {
        EXPECT_EQ(v.label->text(), QString::fromUtf16(v.text));
        EXPECT_EQ(Tag(v.label), QString::fromUtf16(v.text));
        EXPECT_TRUE(v.label->autoFillBackground());
        EXPECT_EQ(v.label->palette().color(QPalette::Window), v.back);
        EXPECT_EQ(v.label->palette().color(QPalette::WindowText), QColor(Qt::white));
        EXPECT_EQ(v.label->font().family(), QStringLiteral("Calibri"));
        EXPECT_DOUBLE_EQ(v.label->font().pointSizeF(), 39.75);
        EXPECT_TRUE(v.label->font().bold());
        EXPECT_TRUE(v.label->alignment() & Qt::AlignHCenter);
    }
    EXPECT_TRUE(w.ui().FXMessage_Fundo->autoFillBackground());
    EXPECT_TRUE(w.ui().FXMessage_Fundo->text().isEmpty());
}

TEST(frmMainTest, StackingOfHeaderAndBody)
{
    frmMain w;
    EXPECT_GT(stackIndex(w.ui().Frame1), stackIndex(w.ui().Frame2));
    for (QLabel *l : {w.ui().Label1, w.ui().Label2, w.ui().Label3}) {
        EXPECT_GT(stackIndex(w.ui().Image2), stackIndex(l));
        EXPECT_GT(stackIndex(l), stackIndex(w.ui().Image1));
    }
    for (QLabel *v : {w.ui().FXMessage_OK, w.ui().FXMessage_Invalid, w.ui().FXMessage_Alert})
        EXPECT_GT(stackIndex(v), stackIndex(w.ui().FXMessage_Fundo));
    const QList<QLabel *> labels = w.ui().Frame2->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    EXPECT_EQ(labels.size(), 23);
    for (QWidget *top : {static_cast<QWidget *>(w.ui().FXNo_TAP), static_cast<QWidget *>(w.ui().Toolbar1),
                         static_cast<QWidget *>(w.ui().Toolbar2), static_cast<QWidget *>(w.ui().ucIDFotos1)}) {
        for (QLabel *l : labels)
            EXPECT_GT(stackIndex(top), stackIndex(l))
                << qPrintable(top->objectName() + QLatin1Char('/') + l->objectName());
    }
}

TEST(frmMainTest, LoadStoresTheDesignSizeShowsMaximizedAndFocusesTheEntryBox)
{
    WatchedMain w;
    w.Form_Load();
    EXPECT_EQ(w.LastWidth(), 12255);
    EXPECT_EQ(w.LastHeight(), 8355);
    EXPECT_EQ(w.LastConviteID, 0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.isMaximized());
    EXPECT_EQ(w.size(), QSize(1280, 800));
    EXPECT_GE(w.resizes, 1);

    // Starting state: verdicts, band and status labels hidden, details empty.
    for (QWidget *hidden : {w.ui().FXMessage_OK, w.ui().FXMessage_Invalid, w.ui().FXMessage_Alert,
                            w.ui().FXMessage_Fundo, w.ui().Label_ZELMAR, w.ui().Label_KORDA})
        EXPECT_FALSE(hidden->isVisible()) << qPrintable(hidden->objectName());
    for (QWidget *shown : {static_cast<QWidget *>(w.ui().FXNo_TAP), static_cast<QWidget *>(w.ui().ucIDFotos1),
                           static_cast<QWidget *>(w.ui().Label1), static_cast<QWidget *>(w.ui().Toolbar1)})
        EXPECT_TRUE(shown->isVisible()) << qPrintable(shown->objectName());
    EXPECT_TRUE(w.ui().FXNo_TAP->text().isEmpty());

    // The entry box is the first control in tab order and has the focus; the toolbars take none.
    EXPECT_EQ(QApplication::focusWidget(), w.ui().FXNo_TAP);
    QWidget *first = w.nextInFocusChain();
    while (first != &w && !(first->focusPolicy() & Qt::TabFocus))
        first = first->nextInFocusChain();
    EXPECT_EQ(first, w.ui().FXNo_TAP);
    for (QToolBar *bar : {w.ui().Toolbar1, w.ui().Toolbar2})
        EXPECT_EQ(bar->widgetForAction(bar->actions().constFirst())->focusPolicy(), Qt::NoFocus);
    QTest::keyClick(&w, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.ui().FXNo_TAP);
}

TEST(frmMainTest, EventsReachTheirProcedures)
{
    WatchedMain w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    QTest::keyClick(w.ui().FXNo_TAP, 'A', Qt::ShiftModifier);
    QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_7);
    QTest::keyClick(w.ui().FXNo_TAP, Qt::Key_Return);
    // Shift itself arrives as a key too, as it did on the desk.
    ASSERT_EQ(w.keys.size(), 4);
    EXPECT_EQ(w.keys[0].code, 16);
    EXPECT_EQ(w.keys[1].code, 65);
    EXPECT_EQ(w.keys[1].shift, VbKeys::ShiftMask);
    EXPECT_EQ(w.keys[1].textBefore, QString());
    EXPECT_EQ(w.keys[2].code, 55);
    EXPECT_EQ(w.keys[2].textBefore, QStringLiteral("A"));
    EXPECT_EQ(w.keys[3].code, VbKeys::KeyReturn);
    // The box still gets its keys.
    EXPECT_EQ(w.ui().FXNo_TAP->text(), QStringLiteral("A7"));

    QTest::mouseClick(w.ui().Toolbar2->widgetForAction(w.ui().Toolbar2Button), Qt::LeftButton);
    EXPECT_EQ(w.toolbar2, 1);
    EXPECT_EQ(w.toolbar1, 0);
    QTest::mouseClick(w.ui().Toolbar1->widgetForAction(w.ui().Toolbar1Button), Qt::LeftButton);
    EXPECT_EQ(w.toolbar1, 1);

    w.ui().Timer1->setInterval(20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.ticks > 0; }, 5000));
    w.ui().Timer1->setEnabled(false);

    const int before = w.resizes;
    w.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.resizes > before; }, 5000));
}

} // namespace

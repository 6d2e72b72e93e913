#include "app/frmmain.h"
#include "app/frmmain_design.h"
#include "tests/support/testsupport.h"
#include "ui/twipsgeometry.h"

#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

// A main window whose closing ends nothing.
class DeskWindow : public frmMain
{
public:
    DeskWindow()
    {
        setProcessTerminator([](const QString &) { return false; });
    }
};

std::map<QString, TwipsRect> twipsRects(const frmMain &w)
{
    std::map<QString, TwipsRect> rects;
    for (const auto &c : frmMainDesign::controls())
        rects[QLatin1String(c.name)] = TwipsGeometry::twipsRect(w.findChild<QWidget *>(QLatin1String(c.name)));
    return rects;
}

TwipsRect rectOf(const QWidget *w)
{
    return TwipsGeometry::twipsRect(w);
}

::testing::AssertionResult waitForSize(QWidget &w, const QSize &size)
{
    if (QTest::qWaitFor([&] { return w.size() == size; }, 5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window is " << w.width() << "x" << w.height();
}

// The band lies between the photograph and the bottom of the body, as wide as the verdicts,
// with the verdicts centred in it: in twips and on screen.
void expectBandUnderThePhotograph(const frmMain &w)
{
    const TwipsRect photo = rectOf(w.ui().ucIDFotos1);
    const TwipsRect body = rectOf(w.ui().Frame2);
    const TwipsRect band = rectOf(w.ui().FXMessage_Fundo);
    const TwipsRect invalid = rectOf(w.ui().FXMessage_Invalid);
    EXPECT_EQ(band.left, invalid.left);
    EXPECT_EQ(band.width, invalid.width);
    EXPECT_EQ(band.top, photo.top + photo.height + 1000);
    EXPECT_EQ(band.height, body.height - band.top - 1000);
    EXPECT_EQ(invalid.top, (band.height - invalid.height) / 2 + band.top);
    for (QLabel *verdict : {w.ui().FXMessage_OK, w.ui().FXMessage_Alert})
        EXPECT_EQ(rectOf(verdict).top, invalid.top) << qPrintable(verdict->objectName());

    const QRect bandPixels = w.ui().FXMessage_Fundo->geometry();
    EXPECT_GT(bandPixels.top(), w.ui().ucIDFotos1->geometry().bottom());
    EXPECT_LE(bandPixels.bottom(), w.ui().Frame2->height());
    for (QLabel *verdict : {w.ui().FXMessage_OK, w.ui().FXMessage_Invalid, w.ui().FXMessage_Alert}) {
        EXPECT_EQ(verdict->geometry(), TwipsGeometry::toPixels(rectOf(verdict), &w));
        EXPECT_LE(std::abs(verdict->geometry().center().y() - bandPixels.center().y()), 1);
        EXPECT_EQ(verdict->geometry().left(), bandPixels.left());
        EXPECT_EQ(verdict->width(), bandPixels.width());
    }
}

TEST(frmMainLayoutTest, NothingMovesBeforeLoadingStoresTheDesignSize)
{
    DeskWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.resize(1000, 700);
    EXPECT_EQ(rectOf(w.ui().Frame1), frmMainDesign::rect(QStringLiteral("Frame1")));
    EXPECT_EQ(w.LastWidth(), 0);
}

TEST(frmMainLayoutTest, MaximizeThenRestoreReturnsEveryControlToItsDesign)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_TRUE(w.isMaximized());
    ASSERT_TRUE(waitForSize(w, QSize(1280, 800)));
    EXPECT_EQ(w.LastWidth(), 19200);
    EXPECT_EQ(w.LastHeight(), 12000);

    // dW = 6945, dH = 3645 twips.
    EXPECT_EQ(rectOf(w.ui().Frame1).width, 12600 + 6945);
    EXPECT_EQ(rectOf(w.ui().Frame2), (TwipsRect{-45, 945, 12375 + 6945, 7605 + 3645}));
    EXPECT_EQ(rectOf(w.ui().Label_KORDA).left, 7005 + 6945);
    EXPECT_EQ(rectOf(w.ui().FXNo_Socio), (TwipsRect{2250, 2925 + 2 * 364, 5010 + 3472, 480}));
    EXPECT_EQ(rectOf(w.ui().FXLocalidade_Label).top, 5265 + 7 * 364);
    // The photograph: +2315 wide and +2315 +1736 to the right; +1822 +364 +364 high.
    EXPECT_EQ(rectOf(w.ui().ucIDFotos1), (TwipsRect{7875 + 2315 + 1736, 1890, 3840 + 2315, 3705 + 1822 + 728}));
    EXPECT_EQ(rectOf(w.ui().FXMessage_Fundo), (TwipsRect{450, 9145, 11490 + 6945, 1105}));
    EXPECT_EQ(rectOf(w.ui().FXMessage_OK).top, 9195);
    expectBandUnderThePhotograph(w);
    // The controls that keep their place whatever the size.
    for (const char *fixed : {"Image1", "Label1", "Label2", "Label3", "FXNo_TAP", "Label4", "Toolbar1", "Toolbar2"})
        EXPECT_EQ(rectOf(w.findChild<QWidget *>(QLatin1String(fixed))), frmMainDesign::rect(QLatin1String(fixed)))
            << fixed;

    w.showNormal();
    ASSERT_TRUE(waitForSize(w, QSize(817, 557)));
    EXPECT_EQ(w.LastWidth(), 12255);
    EXPECT_EQ(w.LastHeight(), 8355);
    for (const auto &c : frmMainDesign::controls()) {
        const QString name = QLatin1String(c.name);
        const QWidget *control = w.findChild<QWidget *>(name);
        EXPECT_EQ(control->geometry(), TwipsGeometry::toPixels(rectOf(control), &w)) << c.name;
        TwipsRect expected = c.rect;
        // The band and the verdicts' tops are placed by the pass, not kept from the design.
        if (name == QLatin1String("FXMessage_Fundo"))
            expected = TwipsRect{450, 1890 + 3705 + 1000, 11490, 7605 - 6595 - 1000};
        else if (name.startsWith(QLatin1String("FXMessage_")))
            expected.top = (10 - 1005) / 2.0f + 6595;
        EXPECT_EQ(rectOf(control), expected) << c.name;
    }
}

TEST(frmMainLayoutTest, MinimizingAndRestoringChangesNothing)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ASSERT_TRUE(waitForSize(w, QSize(1280, 800)));
    const auto before = twipsRects(w);

    w.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isMinimized(); }, 5000));
    // The resize event that minimizing raises moves nothing and stores nothing.
    w.Form_Resize();
    EXPECT_EQ(twipsRects(w), before);
    EXPECT_EQ(w.LastWidth(), 19200);
    EXPECT_EQ(w.LastHeight(), 12000);

    w.showMaximized();
    ASSERT_TRUE(waitForSize(w, QSize(1280, 800)));
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(twipsRects(w), before);
    EXPECT_EQ(w.LastWidth(), 19200);
}

TEST(frmMainLayoutTest, AHeightChangeMovesNoLeftOrWidth)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.showNormal();
    ASSERT_TRUE(waitForSize(w, QSize(817, 557)));
    const auto before = twipsRects(w);

    w.resize(817, 700);
    EXPECT_EQ(w.LastHeight(), 10500);
    const auto after = twipsRects(w);
    int moved = 0;
    for (const auto &[name, rect] : after) {
        EXPECT_EQ(rect.left, before.at(name).left) << qPrintable(name);
        EXPECT_EQ(rect.width, before.at(name).width) << qPrintable(name);
        moved += rect.top != before.at(name).top || rect.height != before.at(name).height;
    }
    EXPECT_GT(moved, 10);
}

TEST(frmMainLayoutTest, AWindowMadeTooSmallSnapsBackToTheMinimum)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.showNormal();
    ASSERT_TRUE(waitForSize(w, QSize(817, 557)));
    TestSupport::clearErrorReports();

    w.resize(100, 60);
    // 4000 x 2000 twips, in whole pixels not below it.
    EXPECT_EQ(w.size(), QSize(267, 134));
    EXPECT_EQ(w.LastWidth(), 4005);
    EXPECT_EQ(w.LastHeight(), 2010);
    // The controls that can follow the change did, once.
    EXPECT_EQ(rectOf(w.ui().Frame1).width, 12600 + 4005 - 12255);
    EXPECT_EQ(rectOf(w.ui().Frame2).height, 7605 + 2010 - 8355);
    EXPECT_EQ(w.ui().Frame1->width(), TwipsGeometry::twipsToPixelsX(12600 + 4005 - 12255, &w));
    // Those that would shrink below nothing keep their size and say so.
    EXPECT_EQ(rectOf(w.ui().Image2).width, 6780);
    bool reported = false;
    for (const auto &report : TestSupport::errorReports())
        reported |= report.value(QStringLiteral("procedure")).toString() == QLatin1String("Rpl_Expand_Along");
    EXPECT_TRUE(reported);
}

TEST(frmMainLayoutTest, TheVerdictStaysCentredInItsBandThroughResizes)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.ui().FXMessage_Fundo->show();
    w.ui().FXMessage_OK->show();
    for (const QSize &size : {QSize(1000, 700), QSize(1100, 780), QSize(900, 620)}) {
        w.showNormal();
        w.resize(size);
        ASSERT_TRUE(waitForSize(w, size));
        expectBandUnderThePhotograph(w);
        EXPECT_TRUE(w.ui().FXMessage_OK->isVisible());
    }
    w.showMaximized();
    ASSERT_TRUE(waitForSize(w, QSize(1280, 800)));
    expectBandUnderThePhotograph(w);
}

// The desk maximized on the screen it runs on: the panel spread out, the photograph grown
// and drifted right, the band under it, everything inside the body.
TEST(frmMainLayoutTest, TheMaximizedDeskIsTidy)
{
    DeskWindow w;
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QString expected = qEnvironmentVariable("QUORVET_TEST_SCREEN", QStringLiteral("1280x800"));
    const QStringList wh = expected.split(QLatin1Char('x'));
    ASSERT_TRUE(waitForSize(w, QSize(wh.value(0).toInt(), wh.value(1).toInt())));
    w.ui().FXMessage_Fundo->show();
    w.ui().FXMessage_Invalid->show();

    const QRect body = w.ui().Frame2->rect();
    const QList<QLabel *> values = {w.ui().FXNome_Union,      w.ui().FXNo_Empresa, w.ui().FXNo_Socio,
                                    w.ui().FXData_Nascimento, w.ui().FXEmpresa,    w.ui().FXBase,
                                    w.ui().FXMorada,          w.ui().FXLocalidade};
    for (int i = 1; i < values.size(); ++i) {
        const QRect above = values[i - 1]->geometry();
        const QRect here = values[i]->geometry();
        EXPECT_GE(here.top(), above.top() + above.height() - 1) << i;
        EXPECT_GT(here.top() - above.top(),
                  TwipsGeometry::toPixels(frmMainDesign::rect(values[i]->objectName())).top()
                      - TwipsGeometry::toPixels(frmMainDesign::rect(values[i - 1]->objectName())).top())
            << i;
    }
    const QRect photo = w.ui().ucIDFotos1->geometry();
    const QRect designPhoto = TwipsGeometry::toPixels(frmMainDesign::rect(QStringLiteral("ucIDFotos1")));
    EXPECT_GT(photo.width(), designPhoto.width());
    EXPECT_GT(photo.height(), designPhoto.height());
    EXPECT_GT(photo.left(), designPhoto.left());
    EXPECT_GT(photo.left(), values.first()->geometry().right());
    EXPECT_TRUE(body.contains(photo));
    EXPECT_TRUE(body.contains(w.ui().FXMessage_Fundo->geometry()));
    EXPECT_TRUE(body.contains(w.ui().Label_KORDA->geometry()));
    EXPECT_LE(body.right() - w.ui().Label_KORDA->geometry().right(), 20);
    EXPECT_TRUE(body.contains(values.last()->geometry()));
    expectBandUnderThePhotograph(w);
}

// The same on a full-HD screen, in a child process of this executable with that screen.
TEST(frmMainLayoutTest, TheMaximizedDeskIsTidyOnAFullHdScreen)
{
    if (qEnvironmentVariableIsSet("QUORVET_TEST_SCREEN"))
        GTEST_SKIP() << "already the child process";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=")
                   + TestSupport::writeScreenConfig(TestSupport::processTempDir(), 1920, 1080));
    env.insert(QStringLiteral("QUORVET_TEST_SCREEN"), QStringLiteral("1920x1080"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=frmMainLayoutTest.TheMaximizedDeskIsTidy")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << qPrintable(output);
}

} // namespace

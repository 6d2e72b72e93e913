#include "app/layoutprocedures.h"
#include "app/resizelayout.h"
#include "platform/runtimeerror.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

// frmMain's controls as designed, in twips.
LayoutControls designControls()
{
    return {
        {QStringLiteral("Frame1"), {-60, 0, 12600, 1050}},
        {QStringLiteral("Image2"), {7875, 0, 6780, 1050}},
        {QStringLiteral("Label3"), {315, 630, 8250, 345}},
        {QStringLiteral("Label2"), {315, 405, 8250, 345}},
        {QStringLiteral("Label1"), {315, 180, 5160, 345}},
        {QStringLiteral("Image1"), {45, 0, 9000, 1050}},
        {QStringLiteral("Frame2"), {-45, 945, 12375, 7605}},
        {QStringLiteral("ucIDFotos1"), {7875, 1890, 3840, 3705}},
        {QStringLiteral("FXNo_TAP"), {1800, 855, 4395, 315}},
        {QStringLiteral("Toolbar2"), {6390, 855, 1050, 330}},
        {QStringLiteral("Toolbar1"), {6390, 1260, 2355, 330}},
        {QStringLiteral("FXNome_Union_Label"), {765, 1980, 1380, 255}},
        {QStringLiteral("FXNo_Empresa_Label"), {765, 2449, 1380, 255}},
        {QStringLiteral("FXNo_Socio_Label"), {765, 2918, 1380, 255}},
        {QStringLiteral("FXData_Nascimento_Label"), {765, 3387, 1380, 255}},
        {QStringLiteral("FXEmpresa_Label"), {765, 3856, 1380, 255}},
        {QStringLiteral("FXBase_Label"), {765, 4325, 1380, 255}},
        {QStringLiteral("FXMorada_Label"), {765, 4794, 1380, 255}},
        {QStringLiteral("FXLocalidade_Label"), {765, 5265, 1380, 255}},
        {QStringLiteral("FXNome_Union"), {2250, 1980, 5010, 480}},
        {QStringLiteral("FXNo_Empresa"), {2250, 2445, 5010, 480}},
        {QStringLiteral("FXNo_Socio"), {2250, 2925, 5010, 480}},
        {QStringLiteral("FXData_Nascimento"), {2250, 3390, 5010, 480}},
        {QStringLiteral("FXEmpresa"), {2250, 3855, 5010, 480}},
        {QStringLiteral("FXBase"), {2250, 4320, 5010, 435}},
        {QStringLiteral("FXMorada"), {2250, 4800, 5010, 435}},
        {QStringLiteral("FXLocalidade"), {2250, 5265, 5010, 525}},
        {QStringLiteral("Label_ZELMAR"), {6975, 255, 5190, 285}},
        {QStringLiteral("Label_KORDA"), {7005, 518, 5160, 285}},
        {QStringLiteral("Label4"), {765, 885, 1380, 300}},
        {QStringLiteral("FXMessage_OK"), {450, 6030, 11490, 1005}},
        {QStringLiteral("FXMessage_Invalid"), {450, 6030, 11490, 1005}},
        {QStringLiteral("FXMessage_Alert"), {450, 6030, 11490, 1005}},
        {QStringLiteral("FXMessage_Fundo"), {360, 5760, 645, 690}},
    };
}

// Procedure names of the error reports written so far, in order.
std::vector<QString> reportedProcedures()
{
    std::vector<QString> procedures;
    for (const QJsonObject &r : TestSupport::errorReports())
        procedures.push_back(r.value(QStringLiteral("procedure")).toString());
    return procedures;
}

// Client area 12255 x 8355 plus a 4-pixel border and a 23-pixel caption.
constexpr float DesignOuterWidth = 12375;
constexpr float DesignOuterHeight = 8820;

// The window's side of the bargain: it knows its outer size and, like a real window,
// raises a resize event (here: a nested pass) when it is given a different size.
class ResizeLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestSupport::clearErrorReports();
        m_size = {DesignOuterWidth, DesignOuterHeight};
        m_layout = makeLayout(designControls());
        m_layout->storeOuterSize();
    }

    std::unique_ptr<ResizeLayout> makeLayout(LayoutControls controls)
    {
        ResizeLayout::Window window;
        window.currentOuterSize = [this] { return m_size; };
        window.resizeWindow = [this](float w, float h) {
            m_resizeRequests.emplace_back(w, h);
            setOuterSize(w, h);
        };
        return std::make_unique<ResizeLayout>(std::move(controls), std::move(window));
    }

    void setOuterSize(float w, float h)
    {
        if (w == m_size.width && h == m_size.height)
            return;
        m_size = {w, h};
        m_layout->formResize(false);
    }

    const TwipsRect &rect(const char *name) const { return m_layout->control(QLatin1String(name)); }

    OuterSize m_size;
    std::unique_ptr<ResizeLayout> m_layout;
    std::vector<std::pair<float, float>> m_resizeRequests;
};

TEST_F(ResizeLayoutTest, PhotographTakesRoundedSharesOfSmallChanges)
{
    const TwipsRect before = rect("ucIDFotos1");
    setOuterSize(DesignOuterWidth + 15, DesignOuterHeight);
    EXPECT_EQ(rect("ucIDFotos1").width, before.width + 5);
    EXPECT_EQ(rect("ucIDFotos1").left, before.left + 9); // 15/3 = 5, then 3.75 rounds to 4
    EXPECT_EQ(rect("ucIDFotos1").height, before.height);

    setOuterSize(DesignOuterWidth + 15, DesignOuterHeight + 25);
    EXPECT_EQ(rect("ucIDFotos1").height, before.height + 16); // 12.5 -> 12, 2.5 -> 2 twice
    EXPECT_EQ(rect("ucIDFotos1").top, before.top);
    EXPECT_EQ(m_layout->lastWidth(), 12390);
    EXPECT_EQ(m_layout->lastHeight(), 8845);

    // The details rows spread by their own rounded tenths; the frames take the whole change.
    EXPECT_EQ(rect("FXLocalidade").top, 5265 + 7 * 2);
    EXPECT_EQ(rect("FXNo_Empresa_Label").top, 2449 + 2);
    EXPECT_EQ(rect("Frame2").height, 7605 + 25);
    EXPECT_EQ(rect("Frame2").width, 12375 + 15);
    EXPECT_EQ(rect("Label_KORDA").left, 7005 + 15);
    EXPECT_EQ(rect("FXNome_Union").width, 5010 + 8); // 7.5 rounds to 8
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ResizeLayoutTest, OneAxisChangeLeavesTheOtherAxisAlone)
{
    m_layout->formResize(false); // places the band for the design size
    const LayoutControls start = m_layout->controls();

    setOuterSize(DesignOuterWidth, DesignOuterHeight + 1234);
    for (const auto &[name, r] : m_layout->controls()) {
        EXPECT_EQ(r.left, start.at(name).left) << qPrintable(name);
        EXPECT_EQ(r.width, start.at(name).width) << qPrintable(name);
    }
    EXPECT_NE(rect("Frame2").height, start.at(QStringLiteral("Frame2")).height);

    const LayoutControls afterHeight = m_layout->controls();
    setOuterSize(DesignOuterWidth + 987, DesignOuterHeight + 1234);
    for (const auto &[name, r] : m_layout->controls()) {
        EXPECT_EQ(r.top, afterHeight.at(name).top) << qPrintable(name);
        EXPECT_EQ(r.height, afterHeight.at(name).height) << qPrintable(name);
    }
    EXPECT_NE(rect("Frame2").width, afterHeight.at(QStringLiteral("Frame2")).width);
}

TEST_F(ResizeLayoutTest, MaximizeAndRestoreReturnsEveryControl)
{
    m_layout->formResize(false);
    const LayoutControls laidOutAtDesign = m_layout->controls();
    const LayoutControls design = designControls();
    const QStringList bandControls = {QStringLiteral("FXMessage_Fundo"), QStringLiteral("FXMessage_OK"),
                                      QStringLiteral("FXMessage_Invalid"), QStringLiteral("FXMessage_Alert")};
    for (const auto &[name, r] : laidOutAtDesign) {
        if (!bandControls.contains(name)) {
            EXPECT_EQ(r, design.at(name)) << qPrintable(name);
        }
    }

    for (const auto &screen : {std::pair<float, float>{19200, 12000}, std::pair<float, float>{28800, 16200}}) {
        setOuterSize(screen.first, screen.second);
        EXPECT_EQ(m_layout->lastWidth(), int32_t(screen.first));
        EXPECT_EQ(rect("Frame1").width, 12600 + screen.first - DesignOuterWidth);
        EXPECT_EQ(rect("Label_ZELMAR").left, 6975 + screen.first - DesignOuterWidth);
        EXPECT_GT(rect("ucIDFotos1").height, 3705);

        setOuterSize(DesignOuterWidth, DesignOuterHeight);
        for (const auto &[name, r] : m_layout->controls())
            EXPECT_EQ(r, laidOutAtDesign.at(name)) << qPrintable(name);
    }
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(ResizeLayoutTest, MinimizedWindowChangesNothing)
{
    setOuterSize(DesignOuterWidth + 600, DesignOuterHeight + 300);
    const LayoutControls before = m_layout->controls();

    m_size = {2400, 450};
    m_layout->formResize(true);
    EXPECT_EQ(m_layout->controls(), before);
    EXPECT_EQ(m_layout->lastWidth(), int32_t(DesignOuterWidth + 600));
    EXPECT_TRUE(m_resizeRequests.empty());

    m_size = {DesignOuterWidth + 600, DesignOuterHeight + 300};
    m_layout->formResize(false);
    EXPECT_EQ(m_layout->controls(), before);
}

TEST_F(ResizeLayoutTest, TooSmallWindowIsSetToTheMinimumAndLaidOutOnce)
{
    setOuterSize(3000, 1500);

    ASSERT_EQ(m_resizeRequests.size(), 2u);
    EXPECT_EQ(m_resizeRequests[0], std::make_pair(4000.0f, 1500.0f));
    EXPECT_EQ(m_resizeRequests[1], std::make_pair(4000.0f, 2000.0f));
    EXPECT_EQ(m_size.width, 4000);
    EXPECT_EQ(m_size.height, 2000);
    EXPECT_EQ(m_layout->lastWidth(), 4000);
    EXPECT_EQ(m_layout->lastHeight(), 2000);

    // The same controls as a window taken straight to the minimum: the change went in once.
    const LayoutControls nested = m_layout->controls();
    TestSupport::clearErrorReports();
    m_resizeRequests.clear();
    m_size = {DesignOuterWidth, DesignOuterHeight};
    m_layout = makeLayout(designControls());
    m_layout->storeOuterSize();
    setOuterSize(4000, 2000);
    EXPECT_TRUE(m_resizeRequests.empty());
    EXPECT_EQ(m_layout->controls(), nested);
}

TEST_F(ResizeLayoutTest, VerdictStaysCentredInTheBandUnderThePhotograph)
{
    for (const auto &size : {std::pair<float, float>{DesignOuterWidth, DesignOuterHeight},
                             std::pair<float, float>{16000, 11000}, std::pair<float, float>{13001, 9999}}) {
        setOuterSize(size.first, size.second);
        m_layout->formResize(false);
        const TwipsRect photo = rect("ucIDFotos1");
        const TwipsRect band = rect("FXMessage_Fundo");
        const TwipsRect invalid = rect("FXMessage_Invalid");
        EXPECT_EQ(band.top, photo.top + photo.height + 1000);
        EXPECT_EQ(band.top + band.height + 1000, rect("Frame2").height);
        EXPECT_EQ(band.left, invalid.left);
        EXPECT_EQ(band.width, invalid.width);
        EXPECT_EQ(invalid.top - band.top, band.top + band.height - (invalid.top + invalid.height));
        EXPECT_EQ(rect("FXMessage_OK").top, invalid.top);
        EXPECT_EQ(rect("FXMessage_Alert").top, invalid.top);
    }
    // At the design size the band is 10 twips high and the verdict overhangs it evenly.
    setOuterSize(DesignOuterWidth, DesignOuterHeight);
    EXPECT_EQ(rect("FXMessage_Fundo"), (TwipsRect{450, 6595, 11490, 10}));
    EXPECT_EQ(rect("FXMessage_Invalid").top, 6097.5f);
}

TEST_F(ResizeLayoutTest, NegativeWidthIsReportedByTheProcedureAndThePassGoesOn)
{
    // 8375 twips narrower: Image2 (6780) cannot lose 8375, the caption labels (1380) cannot lose 4188.
    setOuterSize(4000, DesignOuterHeight);

    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 9);
    for (const QJsonObject &r : reports) {
        EXPECT_EQ(r.value(QStringLiteral("source")).toString(), QStringLiteral("frmMain"));
        EXPECT_EQ(r.value(QStringLiteral("procedure")).toString(), QStringLiteral("Rpl_Expand_Along"));
        EXPECT_EQ(r.value(QStringLiteral("message")).toString(), QStringLiteral("Invalid property value"));
    }
    EXPECT_EQ(rect("Image2"), (TwipsRect{7875, 0, 6780, 1050}));
    EXPECT_EQ(rect("FXLocalidade_Label"), (TwipsRect{765, 5265, 1380, 255}));
    EXPECT_EQ(rect("FXLocalidade").width, 5010 - 4188); // 4187.5 rounds to the even 4188
    EXPECT_EQ(rect("Frame1").width, 12600 - 8375);
    EXPECT_EQ(rect("FXMessage_Alert").width, 11490 - 8375);
    EXPECT_EQ(m_layout->lastWidth(), 4000);
}

// The band becomes negative as soon as the window is a little lower than designed. The
// pass reports it, but the change its layout calls applied is recorded, so the controls
// come back when the window does.
TEST_F(ResizeLayoutTest, NegativeBandIsReportedUnderFormResizeWithoutLosingTheChange)
{
    m_layout->formResize(false);
    const LayoutControls laidOutAtDesign = m_layout->controls();

    setOuterSize(DesignOuterWidth, DesignOuterHeight - 300);
    EXPECT_EQ(reportedProcedures(), std::vector<QString>{QStringLiteral("Form_Resize")});
    EXPECT_EQ(TestSupport::errorReports()[0].value(QStringLiteral("message")).toString(),
              QStringLiteral("Invalid property value"));
    EXPECT_EQ(rect("Frame2").height, 7605 - 300);
    EXPECT_EQ(m_layout->lastHeight(), int32_t(DesignOuterHeight - 300));
    EXPECT_EQ(rect("FXMessage_Invalid").top, laidOutAtDesign.at(QStringLiteral("FXMessage_Invalid")).top);

    setOuterSize(DesignOuterWidth, DesignOuterHeight - 400);
    setOuterSize(DesignOuterWidth, DesignOuterHeight);
    for (const auto &[name, r] : m_layout->controls()) {
        if (name != QStringLiteral("FXMessage_Fundo")) {
            EXPECT_EQ(r, laidOutAtDesign.at(name)) << qPrintable(name);
        }
    }
    EXPECT_EQ(rect("FXMessage_Fundo").height, 10);
}

TEST_F(ResizeLayoutTest, FailedMinimumSettingEndsThePassAndKeepsTheStoredSize)
{
    ResizeLayout::Window window;
    window.currentOuterSize = [this] { return m_size; };
    window.resizeWindow = [](float, float) {
        throw RuntimeError(ErrorNumber::InvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
    };
    ResizeLayout layout(designControls(), std::move(window));
    layout.storeOuterSize();

    m_size = {3000, DesignOuterHeight + 500};
    layout.formResize(false);
    EXPECT_EQ(reportedProcedures(), std::vector<QString>{QStringLiteral("Form_Resize")});
    EXPECT_EQ(layout.lastWidth(), int32_t(DesignOuterWidth));
    EXPECT_EQ(layout.lastHeight(), int32_t(DesignOuterHeight));
    EXPECT_EQ(layout.controls(), designControls());
}

TEST_F(ResizeLayoutTest, MissingControlEndsThePassUnderFormResize)
{
    LayoutControls controls = designControls();
    controls.erase(QStringLiteral("ucIDFotos1"));
    auto layout = makeLayout(std::move(controls));
    layout->storeOuterSize();
    m_size = {DesignOuterWidth + 100, DesignOuterHeight};
    layout->formResize(false);
    EXPECT_EQ(reportedProcedures(), std::vector<QString>{QStringLiteral("Form_Resize")});
    EXPECT_EQ(layout->lastWidth(), int32_t(DesignOuterWidth));
}

TEST(LayoutProceduresTest, OrderAndTaxaAreWrittenBackAndExplicitSizesWin)
{
    TestSupport::clearErrorReports();
    const LayoutBasis basis{13000, 9000, 12000, 8000}; // 1000 wider, 1000 higher
    TwipsRect r{100, 200, 300, 400};
    int32_t order = 0, taxa = 0, w = 0, h = 0;
    LayoutProcedures::Rpl_Expand_Bottom(basis, r, order, taxa, w, h);
    EXPECT_EQ(r, (TwipsRect{100, 200, 300, 1400}));
    EXPECT_EQ(order, 0);
    EXPECT_EQ(taxa, 0);

    order = 3, taxa = 4;
    LayoutProcedures::Rpl_Move_Along(basis, r, order, taxa, w, h);
    EXPECT_EQ(r, (TwipsRect{600, 200, 300, 1400}));

    // An explicit height change means an explicit width change of 0 for an Along procedure.
    order = 2, taxa = 1, w = 0, h = 7;
    LayoutProcedures::Rpl_Expand_Along(basis, r, order, taxa, w, h);
    EXPECT_EQ(r, (TwipsRect{600, 200, 300, 1400}));
    order = 2, taxa = 2;
    LayoutProcedures::Rpl_Move_Bottom(basis, r, order, taxa, w, h); // 3.5 -> 4
    EXPECT_EQ(r, (TwipsRect{600, 204, 300, 1400}));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 7);

    order = 1, taxa = 1, w = -301, h = 0;
    LayoutProcedures::Rpl_Expand_Along(basis, r, order, taxa, w, h);
    EXPECT_EQ(r, (TwipsRect{600, 204, 300, 1400}));
    EXPECT_EQ(order, 1);
    EXPECT_EQ(taxa, 1);
    EXPECT_EQ(reportedProcedures(), std::vector<QString>{QStringLiteral("Rpl_Expand_Along")});
}

TEST(LayoutProceduresTest, OverflowingPositionStepIsReportedAndLeavesTheControl)
{
    TestSupport::clearErrorReports();
    const LayoutBasis basis{12390, 8820, 12375, 8820}; // 15 twips wider
    TwipsRect r{100, 200, 300, 400};
    int32_t order = std::numeric_limits<int32_t>::max(), taxa = 0, w = 0, h = 0;
    LayoutProcedures::Rpl_Move_Along(basis, r, order, taxa, w, h);
    EXPECT_EQ(r, (TwipsRect{100, 200, 300, 400}));
    EXPECT_EQ(order, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(taxa, 1); // 0 meant 1 and was written back before the failure
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("Rpl_Move_Along"));
    EXPECT_EQ(reports[0].value(QStringLiteral("message")).toString(), QStringLiteral("Overflow"));

    try {
        LayoutProcedures::positionStep(2, std::numeric_limits<int32_t>::min());
        ADD_FAILURE() << "Order - 1 below the 32-bit range must overflow";
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), ErrorNumber::Overflow);
    }
    EXPECT_EQ(LayoutProcedures::positionStep(-1073741824, 3), std::numeric_limits<int32_t>::min());
}

TEST(LayoutProceduresTest, SharesRoundHalvesToEven)
{
    EXPECT_EQ(LayoutProcedures::roundHalfEven(2.5), 2);
    EXPECT_EQ(LayoutProcedures::roundHalfEven(3.5), 4);
    EXPECT_EQ(LayoutProcedures::roundHalfEven(-2.5), -2);
    EXPECT_EQ(LayoutProcedures::roundHalfEven(-3.75), -4);
    EXPECT_EQ(LayoutProcedures::roundHalfEven(2147483647.4), std::numeric_limits<int32_t>::max());
    EXPECT_THROW(LayoutProcedures::roundHalfEven(2147483647.5), RuntimeError);
    EXPECT_EQ(LayoutProcedures::roundHalfEven(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_THROW(LayoutProcedures::roundHalfEven(-2147483649.0), RuntimeError);
}

} // namespace

#include "app/resizelayout.h"

#include "app/frmmain_design.h"
#include "app/layoutprocedures.h"
#include "platform/errorreport.h"
#include "platform/runtimeerror.h"

#include <algorithm>
#include <vector>

namespace {

using namespace LayoutProcedures;

struct LayoutCall
{
    const char *control;
    Procedure procedure;
    int32_t order;
    int32_t taxa;
};

// The calls of one pass, in order: frames and verdicts widen by the whole width change,
// the details panel takes half of it and spreads over a tenth of the height change per
// row, the photograph grows and drifts right, the status labels keep to the right edge.
std::vector<LayoutCall> layoutCalls()
{
    using frmMainDesign::memberFields;
    std::vector<LayoutCall> calls = {
        {"Frame1", Rpl_Expand_Along, 1, 1},    {"Frame2", Rpl_Expand_Along, 1, 1},
        {"Frame2", Rpl_Expand_Bottom, 1, 1},   {"Image2", Rpl_Expand_Along, 1, 1},
        {"Label_KORDA", Rpl_Move_Along, 2, 1}, {"Label_ZELMAR", Rpl_Move_Along, 2, 1},
    };
    // The member panel: values, then captions; each widens by half and moves down by its row.
    for (const bool captions : {false, true}) {
        for (const auto &f : memberFields())
            calls.push_back({captions ? f.captionName : f.valueName, Rpl_Expand_Along, 1, 2});
        int32_t row = 0;
        for (const auto &f : memberFields())
            calls.push_back({captions ? f.captionName : f.valueName, Rpl_Move_Bottom, ++row, 10});
    }
    calls.insert(calls.end(), {
                                  {"ucIDFotos1", Rpl_Expand_Along, 2, 3},
                                  {"ucIDFotos1", Rpl_Move_Along, 2, 4},
                                  {"ucIDFotos1", Rpl_Expand_Bottom, 1, 2},
                                  {"ucIDFotos1", Rpl_Expand_Bottom, 1, 10},
                                  {"ucIDFotos1", Rpl_Expand_Bottom, 1, 10},

                                  {"FXMessage_Invalid", Rpl_Expand_Along, 1, 1},
                                  {"FXMessage_OK", Rpl_Expand_Along, 1, 1},
                                  {"FXMessage_Alert", Rpl_Expand_Along, 1, 1},
                              });
    return calls;
}

// A pass raises at most two nested passes (width, then height); deeper nesting means a
// window that keeps reporting a size it was told to leave, so the minimum is not chased further.
constexpr int MaximumNesting = 4;

} // namespace

ResizeLayout::ResizeLayout(LayoutControls controls, Window window)
    : m_controls(std::move(controls)), m_window(std::move(window))
{
}

const TwipsRect &ResizeLayout::control(const QString &name) const
{
    const auto it = m_controls.find(name);
    if (it == m_controls.end())
        throw RuntimeError(ErrorNumber::ObjectRequired, QStringLiteral("Object required"));
    return it->second;
}

TwipsRect &ResizeLayout::controlToChange(const QString &name)
{
    return const_cast<TwipsRect &>(static_cast<const ResizeLayout *>(this)->control(name));
}

void ResizeLayout::storeOuterSize()
{
    const OuterSize size = m_window.currentOuterSize();
    const int32_t width = roundHalfEven(size.width);
    const int32_t height = roundHalfEven(size.height);
    m_lastWidth = width;
    m_lastHeight = height;
}

void ResizeLayout::formResize(bool minimized) noexcept
{
    struct Nesting
    {
        int &depth;
        explicit Nesting(int &d) : depth(d) { ++depth; }
        ~Nesting() { --depth; }
    } nesting(m_nesting);

    try {
        if (minimized)
            return;
        if (m_nesting <= MaximumNesting)
            enforceMinimumSize();
        runLayoutTable();
        // The size is stored as soon as the controls carry its change: a failure while
        // placing the band must not leave that change to be applied a second time.
        storeOuterSize();
        placeVerdictBand();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Form_Resize"));
    }
}

void ResizeLayout::enforceMinimumSize()
{
    // A size already at the minimum needs no setting (and setting it would raise nothing).
    OuterSize size = m_window.currentOuterSize();
    if (size.width < MinimumOuterWidth)
        m_window.resizeWindow(MinimumOuterWidth, size.height);
    size = m_window.currentOuterSize();
    if (size.height < MinimumOuterHeight)
        m_window.resizeWindow(size.width, MinimumOuterHeight);
}

void ResizeLayout::runLayoutTable()
{
    static const std::vector<LayoutCall> calls = layoutCalls();
    for (const LayoutCall &call : calls) {
        TwipsRect &rect = controlToChange(QLatin1String(call.control));
        const OuterSize size = m_window.currentOuterSize();
        const LayoutBasis basis{size.width, size.height, m_lastWidth, m_lastHeight};
        int32_t order = call.order;
        int32_t taxa = call.taxa;
        int32_t wSize = 0;
        int32_t hSize = 0;
        call.procedure(basis, rect, order, taxa, wSize, hSize);
    }
}

void ResizeLayout::placeVerdictBand()
{
    const TwipsRect &photo = control(QStringLiteral("ucIDFotos1"));
    const TwipsRect &body = control(QStringLiteral("Frame2"));
    TwipsRect &band = controlToChange(QStringLiteral("FXMessage_Fundo"));
    TwipsRect &invalid = controlToChange(QStringLiteral("FXMessage_Invalid"));

    band.left = invalid.left;
    band.width = invalid.width;
    band.top = photo.top + photo.height + 1000.0f;
    const float bandHeight = body.height - band.top - 1000.0f;
    if (bandHeight < 0)
        throw RuntimeError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    band.height = bandHeight;
    invalid.top = (band.height - invalid.height) / 2.0f + band.top;
    controlToChange(QStringLiteral("FXMessage_OK")).top = invalid.top;
    controlToChange(QStringLiteral("FXMessage_Alert")).top = invalid.top;
    const auto symbol = m_controls.find(QLatin1String(VerdictSymbolName));
    if (symbol != m_controls.end())
        symbol->second = verdictSymbolRect(band, invalid);
}

TwipsRect ResizeLayout::verdictSymbolRect(const TwipsRect &band, const TwipsRect &verdict)
{
    const float side = std::min(std::max(verdict.height, band.height * 0.8f), verdict.width / 6.0f);
    return {verdict.left + side / 4.0f, verdict.top + (verdict.height - side) / 2.0f, side, side};
}

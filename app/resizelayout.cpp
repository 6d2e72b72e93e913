#include "app/resizelayout.h"

#include "app/layoutprocedures.h"
#include "platform/errorreport.h"
#include "platform/runtimeerror.h"

#include <iterator>

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
constexpr LayoutCall LayoutTable[] = {
    {"Frame1", Rpl_Expand_Along, 1, 1},
    {"Frame2", Rpl_Expand_Along, 1, 1},
    {"Frame2", Rpl_Expand_Bottom, 1, 1},
    {"Image2", Rpl_Expand_Along, 1, 1},
    {"Label_KORDA", Rpl_Move_Along, 2, 1},
    {"Label_ZELMAR", Rpl_Move_Along, 2, 1},

    {"FXNome_Union", Rpl_Expand_Along, 1, 2},
    {"FXNo_Empresa", Rpl_Expand_Along, 1, 2},
    {"FXNo_Socio", Rpl_Expand_Along, 1, 2},
    {"FXData_Nascimento", Rpl_Expand_Along, 1, 2},
    {"FXEmpresa", Rpl_Expand_Along, 1, 2},
    {"FXBase", Rpl_Expand_Along, 1, 2},
    {"FXMorada", Rpl_Expand_Along, 1, 2},
    {"FXLocalidade", Rpl_Expand_Along, 1, 2},

    {"FXNome_Union", Rpl_Move_Bottom, 1, 10},
    {"FXNo_Empresa", Rpl_Move_Bottom, 2, 10},
    {"FXNo_Socio", Rpl_Move_Bottom, 3, 10},
    {"FXData_Nascimento", Rpl_Move_Bottom, 4, 10},
    {"FXEmpresa", Rpl_Move_Bottom, 5, 10},
    {"FXBase", Rpl_Move_Bottom, 6, 10},
    {"FXMorada", Rpl_Move_Bottom, 7, 10},
    {"FXLocalidade", Rpl_Move_Bottom, 8, 10},

    {"FXNome_Union_Label", Rpl_Expand_Along, 1, 2},
    {"FXNo_Empresa_Label", Rpl_Expand_Along, 1, 2},
    {"FXNo_Socio_Label", Rpl_Expand_Along, 1, 2},
    {"FXData_Nascimento_Label", Rpl_Expand_Along, 1, 2},
    {"FXEmpresa_Label", Rpl_Expand_Along, 1, 2},
    {"FXBase_Label", Rpl_Expand_Along, 1, 2},
    {"FXMorada_Label", Rpl_Expand_Along, 1, 2},
    {"FXLocalidade_Label", Rpl_Expand_Along, 1, 2},

    {"FXNome_Union_Label", Rpl_Move_Bottom, 1, 10},
    {"FXNo_Empresa_Label", Rpl_Move_Bottom, 2, 10},
    {"FXNo_Socio_Label", Rpl_Move_Bottom, 3, 10},
    {"FXData_Nascimento_Label", Rpl_Move_Bottom, 4, 10},
    {"FXEmpresa_Label", Rpl_Move_Bottom, 5, 10},
    {"FXBase_Label", Rpl_Move_Bottom, 6, 10},
    {"FXMorada_Label", Rpl_Move_Bottom, 7, 10},
    {"FXLocalidade_Label", Rpl_Move_Bottom, 8, 10},

    {"ucIDFotos1", Rpl_Expand_Along, 2, 3},
    {"ucIDFotos1", Rpl_Move_Along, 2, 4},
    {"ucIDFotos1", Rpl_Expand_Bottom, 1, 2},
    {"ucIDFotos1", Rpl_Expand_Bottom, 1, 10},
    {"ucIDFotos1", Rpl_Expand_Bottom, 1, 10},

    {"FXMessage_Invalid", Rpl_Expand_Along, 1, 1},
    {"FXMessage_OK", Rpl_Expand_Along, 1, 1},
    {"FXMessage_Alert", Rpl_Expand_Along, 1, 1},
};
static_assert(std::size(LayoutTable) == 46, "one entry per layout call");

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
    for (const LayoutCall &call : LayoutTable) {
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
}

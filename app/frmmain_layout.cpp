// The main window's side of the resize layout: the controls' twips rectangles handed to
// ResizeLayout, and its results applied back to the widgets.
#include "app/frmmain.h"

#include "app/frmmain_design.h"
#include "app/resizelayout.h"
#include "ui/twipsgeometry.h"
#include "ui/verdictsymbol.h"

#include <cmath>

ResizeLayout &frmMain::layout()
{
    if (m_layout)
        return *m_layout;

    LayoutControls rects;
    for (const auto &c : frmMainDesign::controls()) {
        const QString name = QLatin1String(c.name);
        if (auto *w = findChild<QWidget *>(name)) {
            m_layoutWidgets[name] = w;
            rects[name] = TwipsGeometry::twipsRect(w);
        }
    }

    // The verdict's symbol is placed with the band it lies in.
    if (m_verdictSymbol) {
        const QString name = QLatin1String(ResizeLayout::VerdictSymbolName);
        m_layoutWidgets[name] = m_verdictSymbol;
        rects[name] = TwipsGeometry::twipsRect(m_verdictSymbol);
    }

    ResizeLayout::Window window;
    window.currentOuterSize = [this] { return OuterSize{float(outerWidthTwips()), float(outerHeightTwips())}; };
    // Whole pixels rounded up, so that a window set to the minimum is not left a pixel short of it.
    window.resizeWindow = [this](float width, float height) {
        resize(int(std::ceil(width / TwipsGeometry::twipsPerPixelX(this) - 1e-6)),
               int(std::ceil(height / TwipsGeometry::twipsPerPixelY(this) - 1e-6)));
    };
    m_layout = std::make_unique<ResizeLayout>(std::move(rects), std::move(window));
    return *m_layout;
}

void frmMain::applyLayout()
{
    for (const auto &[name, rect] : m_layout->controls()) {
        QWidget *w = m_layoutWidgets.at(name);
        if (TwipsGeometry::twipsRect(w) != rect)
            TwipsGeometry::setTwipsRect(w, rect);
    }
}

int32_t frmMain::LastWidth() const
{
    return m_layout ? m_layout->lastWidth() : 0;
}

int32_t frmMain::LastHeight() const
{
    return m_layout ? m_layout->lastHeight() : 0;
}

#pragma once

#include "ui/twipsrect.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>

// The geometry of frmMain's controls in twips, keyed by control name.
using LayoutControls = std::map<QString, TwipsRect>;

// A window's outer size (frame and caption included), in twips, single precision.
struct OuterSize
{
    float width = 0;
    float height = 0;
};

// The arithmetic of frmMain's layout on resize (Form_Resize), without any widget.
// It owns the controls' rectangles and LastWidth/LastHeight; the window reads the
// rectangles back after a pass and applies them to its widgets.
//
// The window provides two callbacks: currentOuterSize() answers the window's outer
// size now; resizeWindow(width, height) sets it. Setting it to a different size raises
// a resize and so a nested formResize() (the window decides; setting the size it already
// has must raise nothing). The nested pass lays out for the new size and stores it; the
// outer pass then continues and finds no change left, because every layout call reads
// the outer size and the stored size when it is made.
//
// Failure: a layout call that fails reports under its procedure's name and the pass goes
// on; any other error ends the pass with a report under "Form_Resize". Once the layout
// calls have run, the new size is stored before the verdict band is placed, so a band
// that cannot be placed (negative height) does not make the next pass apply the same
// change again. A window that keeps answering a nested pass with a size below the
// minimum is not chased beyond a few levels of nesting.
class ResizeLayout
{
public:
    struct Window
    {
        std::function<OuterSize()> currentOuterSize;
        std::function<void(float width, float height)> resizeWindow;
    };

    static constexpr float MinimumOuterWidth = 4000;
    static constexpr float MinimumOuterHeight = 2000;

    // controls must hold every control the layout moves (see resizelayout.cpp);
    // a missing one makes each pass fail with "Object required".
    ResizeLayout(LayoutControls controls, Window window);

    // Stores the current outer size, rounded to whole twips (halves to even), as the size
    // the controls are laid out for. Form_Load calls it with the design size.
    // Throws RuntimeError 6 when a size does not fit in 32 bits.
    void storeOuterSize();

    // One layout pass, run on every resize event of the window.
    void formResize(bool minimized) noexcept;

    // The symbol beside the verdict text, when the controls hold one under this name: a square
    // at the left end of the verdict, centred on it, as high as the verdict or four fifths of
    // the band when the band is higher, and never wider than a sixth of the verdict. The pass
    // places it with the band.
    static constexpr const char *VerdictSymbolName = "VerdictSymbol";
    static TwipsRect verdictSymbolRect(const TwipsRect &band, const TwipsRect &verdict);

    int32_t lastWidth() const { return m_lastWidth; }
    int32_t lastHeight() const { return m_lastHeight; }
    const LayoutControls &controls() const { return m_controls; }
    const TwipsRect &control(const QString &name) const;

private:
    TwipsRect &controlToChange(const QString &name);
    void enforceMinimumSize();
    void runLayoutTable();
    void placeVerdictBand();

    LayoutControls m_controls;
    Window m_window;
    int32_t m_lastWidth = 0;
    int32_t m_lastHeight = 0;
    int m_nesting = 0;
};

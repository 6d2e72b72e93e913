#pragma once

#include "ui/artwork.h"

#include <QPixmap>
#include <QWidget>

#include <array>

// The large symbol beside the verdict text (Artwork::paintVerdictSymbol), a control of its
// own lying over the verdict: it draws only the shape, in white, and lets clicks through.
// Hidden until a verdict shows it.
class VerdictSymbol : public QWidget
{
    Q_OBJECT
public:
    explicit VerdictSymbol(QWidget *parent = nullptr);

    // Kind 1 a tick, 2 a question mark, 3 a cross (ShowMessage's kinds); any other kind hides it.
    void showForKind(int kind);
    Artwork::VerdictShape shape() const { return m_shape; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Artwork::VerdictShape m_shape = Artwork::VerdictShape::Tick;
    // Each shape drawn once at the control's size: stroking its curves with antialiasing at
    // every verdict cost the check-in a quarter of a millisecond.
    std::array<QPixmap, 3> m_drawn;
};

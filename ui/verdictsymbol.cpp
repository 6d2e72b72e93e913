#include "ui/verdictsymbol.h"

#include <QPainter>

VerdictSymbol::VerdictSymbol(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void VerdictSymbol::showForKind(int kind)
{
    switch (kind) {
    case 1: m_shape = Artwork::VerdictShape::Tick; break;
    case 2: m_shape = Artwork::VerdictShape::Question; break;
    case 3: m_shape = Artwork::VerdictShape::Cross; break;
    default: hide(); return;
    }
    update();
    show();
}

void VerdictSymbol::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Artwork::paintVerdictSymbol(painter, rect(), m_shape, Qt::white);
}

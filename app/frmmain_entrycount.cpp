// frmMain: the live entry count "Entradas: N" on the right of the header band, in large
// white digits like the VIP window's count, read away from the check-in (EntryCounter).
#include "app/frmmain.h"

#include "data/dataenvironment.h"
#include "data/entrycounter.h"
#include "ui/rightedgeanchor.h"
#include "ui/twipsgeometry.h"

#include <QLabel>
#include <QTimer>

void frmMain::createEntryCount()
{
    m_LabelEntradas = new QLabel(EntryCounter::text(std::nullopt), m_header.frame);
    m_LabelEntradas->setObjectName(QStringLiteral("LabelEntradas"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(27.75);
    font.setBold(true);
    m_LabelEntradas->setFont(font);
    m_LabelEntradas->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette p = m_LabelEntradas->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    m_LabelEntradas->setPalette(p);
    TwipsGeometry::setTwipsRect(m_LabelEntradas, {0, 225, 6000, 705});
    m_LabelEntradas->raise();
    new RightEdgeAnchor(m_LabelEntradas, TwipsGeometry::twipsToPixelsX(270, this));

    m_entryCounter = new EntryCounter(Data::SqlServerId, this);
    connect(m_entryCounter, &EntryCounter::textChanged, m_LabelEntradas, &QLabel::setText);
    // The first read once the window is up, so that it never stands in the way of the start.
    QTimer::singleShot(0, m_entryCounter, &EntryCounter::start);
}

// frmMain: the statistics. The Toolbar4 button "Estatísticas", beside "Procurar Convidado"
// and in its style, and F4 open the window of the arrivals at a glance; one at a time, a
// second press brings the open one to the front.
#include "app/frmmain.h"

#include "app/frmmain_design.h"
#include "forms/frmestatisticas.h"
#include "platform/errorreport.h"
#include "ui/twipsgeometry.h"

#include <QAction>
#include <QFrame>
#include <QLayout>
#include <QShortcut>
#include <QToolBar>

void frmMain::createStatisticsButton()
{
    m_Toolbar4 = new QToolBar(m_Frame2);
    m_Toolbar4->setObjectName(QStringLiteral("Toolbar4"));
    m_Toolbar4->setMovable(false);
    m_Toolbar4->setFloatable(false);
    m_Toolbar4->setIconSize(QSize(16, 16));
    m_Toolbar4->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_Toolbar4->layout()->setContentsMargins(0, 0, 0, 0);
    m_Toolbar4->layout()->setSpacing(0);
    m_Toolbar4->setFocusPolicy(Qt::NoFocus);
    // The list picture of the toolbar set.
    m_Toolbar4Button = m_Toolbar4->addAction(QIcon(m_ImageList1.value(3)), QStringLiteral("Estatísticas"));
    if (QWidget *w = m_Toolbar4->widgetForAction(m_Toolbar4Button))
        w->setFocusPolicy(Qt::NoFocus);
    TwipsGeometry::setTwipsRect(m_Toolbar4, frmMainDesign::rect(QStringLiteral("Toolbar4")));
    connect(m_Toolbar4Button, &QAction::triggered, this, &frmMain::Toolbar4_ButtonClick);

    // F4 anywhere in the window; like F3 it never reaches the entry box.
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), this);
    connect(f4, &QShortcut::activated, this, &frmMain::Toolbar4_ButtonClick);
}

void frmMain::Toolbar4_ButtonClick()
{
    try {
        if (!m_statistics) {
            m_statistics = new frmEstatisticas(this);
            m_statistics->show();
        }
        m_statistics->raise();
        m_statistics->activateWindow();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Toolbar4_ButtonClick"));
    }
}

void frmMain::refreshStatistics()
{
    if (m_statistics)
        m_statistics->refreshNow();
}

frmEstatisticas *frmMain::statisticsWindow() const
{
    return m_statistics;
}

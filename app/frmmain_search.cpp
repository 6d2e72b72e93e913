// frmMain: the guest search. The Toolbar3 button "Procurar Convidado", beside the VIP button
// and in its style, and F3 open the search window; the guest chosen there is checked in as
// if the number had been typed and Enter pressed.
#include "app/frmmain.h"

#include "app/frmmain_design.h"
#include "forms/frmprocurarconvidado.h"
#include "platform/errorreport.h"
#include "ui/artwork.h"
#include "ui/modcontrols.h"
#include "ui/twipsgeometry.h"

#include <QAction>
#include <QLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QToolBar>

void frmMain::createAdditions()
{
    createSearchButton();
    createEntryCount();
    createLocalCopy();
    createStatisticsButton();
    createSoundControls();
}

void frmMain::createSearchButton()
{
    // The same one-button toolbar as Toolbar1 and Toolbar2, at its design place; like them it
    // keeps its place when the window is resized.
    m_Toolbar3 = new QToolBar(m_Frame2);
    m_Toolbar3->setObjectName(QStringLiteral("Toolbar3"));
    m_Toolbar3->setMovable(false);
    m_Toolbar3->setFloatable(false);
    m_Toolbar3->setIconSize(QSize(16, 16));
    m_Toolbar3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_Toolbar3->layout()->setContentsMargins(0, 0, 0, 0);
    m_Toolbar3->layout()->setSpacing(0);
    m_Toolbar3->setFocusPolicy(Qt::NoFocus);
    m_Toolbar3Button = m_Toolbar3->addAction(QIcon(Artwork::searchButtonPicture()), QStringLiteral("Procurar Convidado"));
    if (QWidget *w = m_Toolbar3->widgetForAction(m_Toolbar3Button))
        w->setFocusPolicy(Qt::NoFocus);
    TwipsGeometry::setTwipsRect(m_Toolbar3, frmMainDesign::rect(QStringLiteral("Toolbar3")));
    connect(m_Toolbar3Button, &QAction::triggered, this, &frmMain::Toolbar3_ButtonClick);

    // F3 anywhere in the window; it never reaches the entry box, so it does not clear the screen.
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(f3, &QShortcut::activated, this, &frmMain::Toolbar3_ButtonClick);
}

void frmMain::Toolbar3_ButtonClick()
{
    try {
        auto *search = new frmProcurarConvidado(this);
        connect(search, &frmProcurarConvidado::guestChosen, this, &frmMain::checkInChosenGuest);
        search->show();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Toolbar3_ButtonClick"));
    }
}

void frmMain::checkInChosenGuest(const QString &conviteNo)
{
    // As the operator would: the first key clears the last guest, the number fills the box,
    // Enter selects it and verifies.
    LimparForm();
    m_FXNo_TAP->setText(conviteNo);
    modControls::EditControl(m_FXNo_TAP, 3);
    VerifyCode();
}

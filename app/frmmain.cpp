#include "app/frmmain.h"

#include "app/frmmaindesign.h"
#include "app/resizelayout.h"
#include "forms/frmmainvips.h"
#include "platform/errorreport.h"
#include "platform/modprocessos.h"
#include "ui/artwork.h"
#include "ui/twipsgeometry.h"
#include "ui/vbkeys.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

frmMain::frmMain(QWidget *parent) : QWidget(parent), m_terminator(&modProcessos::TerminarProcesso)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Convites"));
    setWindowIcon(Artwork::windowIcon());
    // The window's default font, inherited by the caption labels, the entry box and the
    // toolbars: the small sans-serif of the desk's forms.
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    setFont(font);
    resize(TwipsGeometry::twipsToPixelsX(frmMainDesign::ClientWidth, this),
           TwipsGeometry::twipsToPixelsY(frmMainDesign::ClientHeight, this));
    createControls();
}

frmMain::~frmMain() = default;

double frmMain::outerWidthTwips() const
{
    return TwipsGeometry::pixelsToTwipsX(width(), this);
}

double frmMain::outerHeightTwips() const
{
    return TwipsGeometry::pixelsToTwipsY(height(), this);
}

void frmMain::Form_Load()
{
    try {
        ResizeLayout &controls = layout();
        controls.storeOuterSize();
        LastWidth = controls.lastWidth();
        LastHeight = controls.lastHeight();
        LastConviteID = 0;
        showMaximized();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Form_Load"));
    }
}

void frmMain::Form_Resize()
{
    // Before Form_Load there is no stored size to lay the controls out from.
    if (!m_layout)
        return;
    // The pass reports its own errors; the widgets then show whatever it left.
    m_layout->formResize(isMinimized());
    applyLayout();
}

void frmMain::Toolbar1_ButtonClick()
{
    try {
        // A new list per click, owned by this window and deleted when the user closes it.
        auto *vips = new frmMainVIPs(this);
        vips->Main = this;
        vips->show();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Toolbar1_ButtonClick"));
    }
}

void frmMain::Toolbar2_ButtonClick()
{
    // Runs the verification of the entered number; it handles its own errors.
    VerifyCode();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // A disabled entry box takes no keys (the check-in and its pause keep them out), also
    // when a key is delivered to it directly rather than through the focus.
    if (watched == m_FXNo_TAP && event->type() == QEvent::KeyPress && m_FXNo_TAP->isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        FXNo_TAP_KeyDown(VbKeys::keyCode(key), VbKeys::shiftState(key));
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// Closing the desk ends every process of our executable's name up to our own, then the
// program itself. The unload is never cancelled, and the event loop is left even when the
// walk ended nothing, so open VIP windows do not keep the program alive.
void frmMain::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_terminator)
        m_terminator(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QCoreApplication::exit(0);
}

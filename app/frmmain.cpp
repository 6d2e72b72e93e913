#include "app/frmmain.h"

#include "app/frmmain_design.h"
#include "app/resizelayout.h"
#include "forms/frmmainvips.h"
#include "platform/errorreport.h"
#include "platform/modprocessos.h"
#include "platform/processclock.h"
#include "ui/artwork.h"
#include "ui/twipsgeometry.h"
#include "ui/vbkeys.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

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
        LastConviteID = 0;
        showMaximized();
        // An X display without a window manager ignores the request to maximize and leaves
        // the window at its design size; there the window takes the screen itself.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QTimer::singleShot(500, this, [this] { fillScreenWhenNotMaximized(); });
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Form_Load"));
    }
}

void frmMain::fillScreenWhenNotMaximized()
{
    const QScreen *desk = screen();
    if (!desk || !isMaximized())
        return;
    const QRect available = desk->availableGeometry();
    if (frameGeometry().width() < available.width() * 9 / 10 || frameGeometry().height() < available.height() * 9 / 10)
        setGeometry(available);
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
    // Runs the verification of the entered number; it handles its own errors. While the desk
    // is locked (a check-in or its pause) the button starts nothing, however it is triggered:
    // a second run would show the guest just let in as already entered.
    if (deskLocked())
        return;
    VerifyCode();
}

bool frmMain::deskLocked() const
{
    return !m_FXNo_TAP->isEnabled();
}

namespace {

// A key's time in milliseconds: the window system's time stamp, or, for a key made by the
// program itself, which carries none, the monotonic clock.
quint64 keyTime(const QKeyEvent *key)
{
    if (key->timestamp() != 0)
        return key->timestamp();
    return quint64(ProcessClock::monotonicNanoseconds() / 1000000);
}

bool isEnter(const QKeyEvent *key)
{
    return VbKeys::keyCode(key) == VbKeys::KeyReturn;
}

} // namespace

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // A disabled entry box takes no keys (the check-in and its pause keep them out), also
    // when a key is delivered to it directly rather than through the focus; such a key
    // passes on to the window (keyPressEvent).
    if (watched == m_FXNo_TAP && event->type() == QEvent::KeyPress && !deskLocked()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The rest of a scan that began while the desk was locked never reaches the box.
        if (m_lockedScans.drop(keyTime(key), false, isEnter(key)))
            return true;
        FXNo_TAP_KeyDown(VbKeys::keyCode(key), VbKeys::shiftState(key));
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    if (deskLocked()) {
        m_lockedScans.drop(keyTime(event), true, isEnter(event));
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
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

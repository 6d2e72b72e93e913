// frmMain: the window and its event procedures, the keys of the entry box, the verdict labels, the
// member panel, the tick of Timer1 that ends the pause, and the window's side of the resize layout.
#include "app/frmmain.h"

#include "app/entrycountdisplay.h"
#include "app/frmmain_design.h"
#include "app/guestsearchlauncher.h"
#include "app/localcopydisplay.h"
#include "app/offlinedoor.h"
#include "app/resizelayout.h"
#include "app/soundcontrols.h"
#include "app/statisticslauncher.h"
#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/connectdeadline.h"
#include "data/dataenvironment.h"
#include "data/provedconnection.h"
#include "data/recordset.h"
#include "forms/frmmainvips.h"
#include "idfotos/ucidfotos.h"
#include "platform/errorreport.h"
#include "platform/modprocessos.h"
#include "platform/msgbox.h"
#include "platform/processclock.h"
#include "platform/runtimeerror.h"
#include "ui/artwork.h"
#include "ui/controltag.h"
#include "ui/modcontrols.h"
#include "ui/twipsgeometry.h"
#include "ui/vbkeys.h"
#include "ui/vbtimer.h"
#include "ui/verdictsymbol.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <cmath>

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
    m_ui = std::make_unique<frmMainUi>(this);
    wireControls();
}

frmMain::~frmMain() = default;

void frmMain::wireControls()
{
    connect(m_ui->Timer1, &VbTimer::Timer, this, &frmMain::Timer1_Timer);
    m_ui->FXNo_TAP->installEventFilter(this);
    connect(m_ui->Toolbar2Button, &QAction::triggered, this, &frmMain::Toolbar2_ButtonClick);
    connect(m_ui->Toolbar1Button, &QAction::triggered, this, &frmMain::Toolbar1_ButtonClick);

    m_guestSearch = new GuestSearchLauncher(
        this, m_ui->searchButton, [this](const QString &conviteNo) { checkInChosenGuest(conviteNo); },
        [this] { return m_offlineDoor ? m_offlineDoor->offlineCopy() : QString(); });
    m_entryCount = new EntryCountDisplay(m_ui->entryCountLabel, this);
    if (m_ui->localCopyLabel) {
        m_localCopy = new LocalCopyDisplay(m_ui->localCopyLabel, this);
        m_offlineDoor = new OfflineDoor(*this, m_localCopy->refresher());
    }
    m_statistics = new StatisticsLauncher(this, m_ui->statisticsButton);
    m_sound = new SoundControls(this, m_ui->soundButton, m_ui->muteAction, m_ui->volumeSlider);
}

void frmMain::checkInChosenGuest(const QString &conviteNo)
{
    // As the operator would: the first key clears the last guest, the number fills the box,
    // Enter selects it and verifies.
    LimparForm();
    m_ui->FXNo_TAP->setText(conviteNo);
    modControls::EditControl(m_ui->FXNo_TAP, 3);
    VerifyCode();
}

frmEstatisticas *frmMain::statisticsWindow() const
{
    return m_statistics->statisticsWindow();
}

VerdictSoundPlayer *frmMain::verdictSounds() const
{
    return m_sound->player();
}

ReplicaRefresher *frmMain::replicaRefresher() const
{
    return m_localCopy ? m_localCopy->refresher() : nullptr;
}

EntryCounter *frmMain::entryCounter() const
{
    return m_entryCount->counter();
}

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
    return !m_ui->FXNo_TAP->isEnabled();
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
    if (watched == m_ui->FXNo_TAP && event->type() == QEvent::KeyPress && !deskLocked()) {
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

void frmMain::FXNo_TAP_KeyDown(int16_t keyCode, int16_t shift)
{
    Q_UNUSED(shift);
    try {
        switch (keyCode) {
        case VbKeys::KeyReturn:
            // The whole number becomes selected, so the next one typed or scanned replaces it.
            modControls::EditControl(m_ui->FXNo_TAP, 3);
            VerifyCode();
            break;
        case VbKeys::KeyEscape: {
            if (m_offlineDoor && m_offlineDoor->undoOffline())
                break;
            // Only an entry that this desk's last check-in wrote can be undone.
            if (LastConviteID == 0 || !CheckinVerdict::hasEntryTime(m_writtenEntryTime))
                break;
            const QString prompt = QStringLiteral("Deseja anular a última entrada em nome de:")
                                   + QStringLiteral("\n\r\n\r") + m_ui->FXNome_Union->text();
            const int answer = MsgBox::show(prompt, MsgBox::Question | MsgBox::YesNo,
                                            QStringLiteral("Anular última entrada"));
            if (answer != MsgBox::Yes)
                break;
            // On a session that answers now (the pool's probe, or a new login), within the
            // connect deadline; the last check-in's connection may have lost its server since.
            int64_t changed = -1;
            ConnectionRef proved;
            try {
                const ConnectDeadline deadline(ProvedConnection::connectSeconds());
                proved = ProvedConnection::open(Data::SqlServerId, false);
                proved->Execute(CheckinQueries::undoEntry(LastConviteID, m_writtenEntryTime), &changed);
            } catch (...) {
                // No session, or the link lost on the way: nothing known to be undone. The entry
                // stays on screen and the next Esc tries again. A refusal by the server is an error.
                const DbErrors *errors = proved ? &proved->Errors() : nullptr;
                const QString state = errors && errors->Count() > 0 ? errors->Item(errors->Count() - 1).SQLState()
                                                                    : QString();
                if (proved && !state.startsWith(QLatin1String("08")) && !state.startsWith(QLatin1String("HYT")))
                    throw;
                MsgBox::show(QStringLiteral("A entrada não foi anulada: não foi possivel ligar ao servidor. "
                                            "Volte a tentar s.f.f."),
                             MsgBox::OKOnly | MsgBox::Information, QStringLiteral("Anular última entrada"));
                break;
            }
            if (changed == 0) {
                // Another desk changed the entry since this desk wrote it; it is not ours to clear.
                MsgBox::show(QStringLiteral("A última entrada foi alterada noutro posto depois de registada aqui. "
                                            "Nada foi anulado."),
                             MsgBox::OKOnly | MsgBox::Information, QStringLiteral("Anular última entrada"));
                break;
            }
            afterVerdict("undone");
            LimparForm();
            break;
        }
        default: LimparForm(); break;
        }
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("FXNo_TAP_KeyDown"));
    }
}

namespace {

QColor backColour(const QLabel *label)
{
    return label->palette().color(QPalette::Window);
}

void setBackColour(QLabel *label, const QColor &colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour);
    label->setPalette(p);
}

} // namespace

void frmMain::ShowMessage(int32_t msgTipo, const QString &Label, const QString &CallIn)
{
    try {
        // A caption changed by the previous verdict goes back to its standard text first.
        m_ui->FXMessage_Alert->setText(Tag(m_ui->FXMessage_Alert));
        m_ui->FXMessage_OK->setText(Tag(m_ui->FXMessage_OK));
        m_ui->FXMessage_Invalid->setText(Tag(m_ui->FXMessage_Invalid));

        QLabel *shown = nullptr;
        switch (msgTipo) {
        case CheckinVerdict::Accepted: shown = m_ui->FXMessage_OK; break;
        case CheckinVerdict::NotFound: shown = m_ui->FXMessage_Alert; break;
        case CheckinVerdict::Refused: shown = m_ui->FXMessage_Invalid; break;
        default: break;
        }
        const QList<QLabel *> verdicts{m_ui->FXMessage_Alert, m_ui->FXMessage_OK, m_ui->FXMessage_Invalid};
        m_ui->FXMessage_Fundo->setVisible(false);
        for (QLabel *verdict : verdicts) {
            if (verdict != shown)
                verdict->setVisible(false);
        }
        if (shown) {
            // The one band under the verdicts takes the colour of the verdict shown.
            setBackColour(m_ui->FXMessage_Fundo, backColour(shown));
            m_ui->FXMessage_Fundo->setVisible(true);
            shown->setVisible(true);
        }
        m_ui->verdictSymbol->showForKind(shown ? msgTipo : 0);

        // Only the verdict on show carries the call sign or the replacement text.
        if (shown && !CallIn.isEmpty())
            shown->setText(Tag(shown) + QStringLiteral(" (CALL: ") + CallIn + QStringLiteral(")"));
        if (shown && !Label.isEmpty())
            shown->setText(Label);
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("ShowMessage"));
    }
}

void frmMain::LimparForm()
{
    try {
        for (QLabel *value : m_ui->memberValues) {
            if (!value->text().isEmpty())
                value->setText(QString());
        }
        m_ui->ucIDFotos1->Load(-1);
        m_ui->FXMessage_Alert->setVisible(false);
        m_ui->FXMessage_Invalid->setVisible(false);
        m_ui->FXMessage_OK->setVisible(false);
        m_ui->FXMessage_Fundo->setVisible(false);
        m_ui->verdictSymbol->hide();
        LastConviteID = 0;
        m_writtenEntryTime = Value::null();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("LimparForm"));
    }
}

void frmMain::Timer1_Timer()
{
    try {
        // One tick per arming: the check-in arms the timer again for the next pause.
        m_ui->Timer1->setInterval(0);
        m_ui->Timer1->setEnabled(false);
        m_ui->FXNo_TAP->setEnabled(true);
        QPalette p = m_ui->FXNo_TAP->palette();
        p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Base));
        m_ui->FXNo_TAP->setPalette(p);
        m_ui->FXNo_TAP->setFocus();
        // Setting the text anew drops the box's undo history: it would otherwise keep every
        // key typed for as long as the desk runs (memory growing with each guest), and Ctrl+Z
        // would bring back earlier guests' numbers.
        m_ui->FXNo_TAP->setText(m_ui->FXNo_TAP->text());
        // However the check-in was started (Enter, the Validar button) and however it ended
        // (verdict, error, connect message), the box comes back with the whole number
        // selected, so that the next number typed or scanned replaces it.
        m_ui->FXNo_TAP->selectAll();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("Timer1_Timer"));
    }
}

void frmMain::FillFields(RecordsetRef &Rs)
{
    try {
        if (!Rs || Rs->State() != Recordset::StateOpen || Rs->Eof())
            return;
        const auto &fields = frmMainDesign::memberFields();
        for (size_t row = 0; row < fields.size(); ++row)
            modControls::FillControl(m_ui->memberValues[row], Rs->Fields(fields[row].column).Value(), 3);
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("FillFields"));
    }
}

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
    if (m_ui->verdictSymbol) {
        const QString name = QLatin1String(ResizeLayout::VerdictSymbolName);
        m_layoutWidgets[name] = m_ui->verdictSymbol;
        rects[name] = TwipsGeometry::twipsRect(m_ui->verdictSymbol);
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

#include "app/frmmainui.h"

#include "app/resizelayout.h"
#include "data/entrycounter.h"
#include "data/localreplica.h"
#include "idfotos/ucidfotos.h"
#include "ui/artwork.h"
#include "ui/controltag.h"
#include "ui/headerband.h"
#include "ui/organisations.h"
#include "ui/rightedgeanchor.h"
#include "ui/twipsgeometry.h"
#include "ui/vbtimer.h"
#include "ui/verdictlabel.h"
#include "ui/verdictsymbol.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

namespace {

const QColor kDarkGreyText(64, 64, 64);

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

// An opaque control: its own background colour fills its rectangle.
void setBackColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void place(QWidget *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    TwipsGeometry::setTwipsRect(w, frmMainDesign::rect(QLatin1String(name)));
}

QLabel *placeLabel(QWidget *container, const char *name, const QString &text = QString())
{
    auto *label = new QLabel(text, container);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, name);
    return label;
}

// A one-button toolbar in the body, at its design place; like every control there it keeps
// its place when the window is resized. Neither the bar nor its button takes the focus from
// the entry box.
QToolBar *placeToolbar(QWidget *container, const char *name, const QPixmap &picture, const QString &caption,
                       QAction **button)
{
    auto *bar = new QToolBar(container);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    bar->setFocusPolicy(Qt::NoFocus);
    *button = bar->addAction(QIcon(picture), caption);
    // The tool button shows the action's icon text, which Qt derives from the text with
    // its outer blanks trimmed; set it as it is, since "Validar  " sizes its button.
    (*button)->setIconText(caption);
    if (QWidget *w = bar->widgetForAction(*button))
        w->setFocusPolicy(Qt::NoFocus);
    place(bar, name);
    return bar;
}

// A white bold label at the right edge of the header band.
QLabel *headerRightLabel(QWidget *window, QFrame *band, const char *name, double points, const TwipsRect &rect)
{
    auto *label = new QLabel(band);
    label->setObjectName(QLatin1String(name));
    label->setFont(arialFont(points, true));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    setTextColour(label, Qt::white);
    TwipsGeometry::setTwipsRect(label, rect);
    label->raise();
    new RightEdgeAnchor(label, TwipsGeometry::twipsToPixelsX(270, window));
    return label;
}

} // namespace

frmMainUi::frmMainUi(QWidget *window)
{
    createHeader(window);
    createBody(window);
    applyStacking(window);
    createAdditions(window);
}

void frmMainUi::createHeader(QWidget *window)
{
    const HeaderBand h = HeaderBand::create(window, Organisations::eventTitle());
    Frame1 = h.frame;
    Image1 = h.image1;
    Image2 = h.image2;
    Label1 = h.label1;
    Label2 = h.label2;
    Label3 = h.label3;
    QWidget *const placed[] = {h.frame, h.image2, h.label3, h.label2, h.label1, h.image1};
    for (QWidget *w : placed)
        place(w, w->objectName().toLatin1().constData());
}

void frmMainUi::createBody(QWidget *window)
{
    Frame2 = new QFrame(window);
    Frame2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Frame2->setLineWidth(1);
    place(Frame2, "Frame2");
    setBackColour(Frame2, Qt::white);

    // Enabled with interval 0: armed, silent until the check-in gives it an interval.
    Timer1 = new VbTimer(Frame2);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    // The entry box is the first control that takes the focus, so it gets it at start-up.
    FXNo_TAP = new QLineEdit(Frame2);
    place(FXNo_TAP, "FXNo_TAP");

    createToolbars();

    ucIDFotos1 = new ucIDFotos(Frame2);
    ucIDFotos1->setFocusPolicy(Qt::NoFocus);
    place(ucIDFotos1, "ucIDFotos1");

    // The member panel: every caption (then the entry box's), then every value.
    const auto &fields = frmMainDesign::memberFields();
    for (size_t row = 0; row < fields.size(); ++row)
        memberCaptions[row] = placeLabel(Frame2, fields[row].captionName, QString::fromUtf8(fields[row].caption));
    Label4 = placeLabel(Frame2, "Label4", QStringLiteral("Nº Convite:"));
    for (QLabel *caption : memberCaptions)
        setTextColour(caption, kDarkGreyText);
    setTextColour(Label4, kDarkGreyText);

    for (size_t row = 0; row < fields.size(); ++row) {
        QLabel *value = placeLabel(Frame2, fields[row].valueName);
        memberValues[row] = value;
        // Names and addresses come from the databases: never read as markup.
        value->setTextFormat(Qt::PlainText);
        value->setFont(arialFont(fields[row].points, true));
        setTextColour(value, kDarkGreyText);
    }

    Label_ZELMAR = placeLabel(Frame2, "Label_ZELMAR", QStringLiteral("Conectado ao servidor do ZELMAR"));
    Label_KORDA = placeLabel(Frame2, "Label_KORDA", QStringLiteral("Conectado ao servidor da KORDA"));
    for (QLabel *l : {Label_ZELMAR, Label_KORDA}) {
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
        setTextColour(l, window->palette().color(QPalette::Shadow));
        l->hide();
    }

    const struct
    {
        QLabel *frmMainUi::*member;
        const char *name;
        QString text;
        QColor back;
    } verdicts[] = {
        {&frmMainUi::FXMessage_OK, "FXMessage_OK", QStringLiteral("Convite OK!"), QColor(47, 106, 151)},
        {&frmMainUi::FXMessage_Invalid, "FXMessage_Invalid", QStringLiteral("O convite não é válido!"),
         QColor(128, 0, 0)},
        {&frmMainUi::FXMessage_Alert, "FXMessage_Alert", QStringLiteral("O convite não existe..."),
         QColor(201, 201, 3)},
    };
    QFont verdictFont(QStringLiteral("Calibri"));
    verdictFont.setPointSizeF(39.75);
    verdictFont.setBold(true);
    for (const auto &v : verdicts) {
        auto *label = new VerdictLabel(v.text, Frame2);
        place(label, v.name);
        this->*v.member = label;
        setTag(label, v.text);
        label->setFont(verdictFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        setTextColour(label, Qt::white);
        setBackColour(label, v.back);
        label->hide();
    }

    FXMessage_Fundo = placeLabel(Frame2, "FXMessage_Fundo");
    setBackColour(FXMessage_Fundo, window->palette().color(QPalette::Button));
    FXMessage_Fundo->hide();
}

void frmMainUi::createToolbars()
{
    ImageList1 = Artwork::toolbarPictures();
    Toolbar2 = placeToolbar(Frame2, "Toolbar2", ImageList1.value(0), QStringLiteral("Validar  "), &Toolbar2Button);
    Toolbar1 = placeToolbar(Frame2, "Toolbar1", ImageList1.value(1), QStringLiteral("Verificar Entrada de VIPs"),
                            &Toolbar1Button);
}

void frmMainUi::applyStacking(QWidget *window)
{
    // The design lists each container's controls from the top down; raise from the bottom up.
    const auto &table = frmMainDesign::controls();
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        QWidget *container = it->container[0] ? window->findChild<QWidget *>(QLatin1String(it->container)) : window;
        if (!container)
            continue;
        if (auto *w = container->findChild<QWidget *>(QLatin1String(it->name), Qt::FindDirectChildrenOnly))
            w->raise();
    }
}

void frmMainUi::createAdditions(QWidget *window)
{
    searchToolBar = placeToolbar(Frame2, "searchToolBar", Artwork::searchButtonPicture(),
                                 QStringLiteral("Procurar Convidado"), &searchButton);

    // In large white digits like the VIP window's count.
    entryCountLabel = headerRightLabel(window, Frame1, "entryCountLabel", 27.75, {0, 225, 6000, 705});
    entryCountLabel->setText(EntryCounter::text(std::nullopt));

    if (LocalReplica::enabled()) {
        localCopyLabel = headerRightLabel(window, Frame1, "localCopyLabel", 9.75, {0, 15, 6000, 255});
        localCopyLabel->hide();
    }

    // The list picture of the toolbar set.
    statisticsToolBar = placeToolbar(Frame2, "statisticsToolBar", ImageList1.value(3), QStringLiteral("Estatísticas"),
                                     &statisticsButton);

    verdictSymbol = new VerdictSymbol(Frame2);
    verdictSymbol->setObjectName(QLatin1String(ResizeLayout::VerdictSymbolName));
    const TwipsRect verdict = TwipsGeometry::twipsRect(FXMessage_Invalid);
    TwipsGeometry::setTwipsRect(verdictSymbol, ResizeLayout::verdictSymbolRect(verdict, verdict));
    verdictSymbol->raise();
    for (QLabel *label : {FXMessage_OK, FXMessage_Alert, FXMessage_Invalid})
        static_cast<VerdictLabel *>(label)->keepClearOf(verdictSymbol);

    soundButton = new QToolButton(Frame1);
    soundButton->setObjectName(QStringLiteral("SoundButton"));
    soundButton->setAutoRaise(true);
    soundButton->setFocusPolicy(Qt::NoFocus);
    soundButton->setIconSize(QSize(16, 16));
    soundButton->setPopupMode(QToolButton::MenuButtonPopup);
    soundButton->setGeometry(0, 2, 34, 22);
    soundButton->raise();
    new RightEdgeAnchor(soundButton, 2);

    auto *menu = new QMenu(soundButton);
    muteAction = menu->addAction(QStringLiteral("Sem som\tCtrl+M"));
    muteAction->setCheckable(true);
    volumeSlider = new QSlider(Qt::Horizontal, menu);
    volumeSlider->setObjectName(QStringLiteral("SoundVolume"));
    volumeSlider->setRange(0, 100);
    volumeSlider->setMinimumWidth(140);
    auto *volume = new QWidgetAction(menu);
    volume->setDefaultWidget(volumeSlider);
    menu->addSection(QStringLiteral("Volume"));
    menu->addAction(volume);
    soundButton->setMenu(menu);
}

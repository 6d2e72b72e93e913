// The main window's controls: creation (whose order is the tab order), texts, fonts, colours,
// design geometry and stacking.
#include "app/frmmain.h"

#include "app/frmmain_design.h"
#include "idfotos/ucidfotos.h"
#include "ui/artwork.h"
#include "ui/controltag.h"
#include "ui/headerband.h"
#include "ui/organisations.h"
#include "ui/twipsgeometry.h"
#include "ui/verdictlabel.h"
#include "ui/vbtimer.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

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

} // namespace

QLabel *frmMain::placeLabel(QWidget *container, const char *name, const QString &text)
{
    auto *label = new QLabel(text, container);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, name);
    return label;
}

void frmMain::createControls()
{
    createHeader();
    createBody();
    applyStacking();
    createAdditions();
}

void frmMain::createHeader()
{
    m_header = HeaderBand::create(this, Organisations::eventTitle());
    const HeaderBand &h = m_header;
    QWidget *const placed[] = {h.frame, h.image2, h.label3, h.label2, h.label1, h.image1};
    for (QWidget *w : placed)
        place(w, w->objectName().toLatin1().constData());
}

void frmMain::createBody()
{
    m_Frame2 = new QFrame(this);
    m_Frame2->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_Frame2->setLineWidth(1);
    place(m_Frame2, "Frame2");
    setBackColour(m_Frame2, Qt::white);

    // Enabled with interval 0: armed, silent until the check-in gives it an interval.
    m_Timer1 = new VbTimer(m_Frame2);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_Timer1, &VbTimer::Timer, this, &frmMain::Timer1_Timer);

    // The entry box is the first control that takes the focus, so it gets it at start-up.
    m_FXNo_TAP = new QLineEdit(m_Frame2);
    place(m_FXNo_TAP, "FXNo_TAP");
    m_FXNo_TAP->installEventFilter(this);

    createToolbars();

    m_ucIDFotos1 = new ucIDFotos(m_Frame2);
    m_ucIDFotos1->setFocusPolicy(Qt::NoFocus);
    place(m_ucIDFotos1, "ucIDFotos1");

    // The member panel: every caption (then the entry box's), then every value.
    const auto &fields = frmMainDesign::memberFields();
    for (size_t row = 0; row < fields.size(); ++row)
        m_memberCaptions[row] = placeLabel(m_Frame2, fields[row].captionName, QString::fromUtf8(fields[row].caption));
    m_Label4 = placeLabel(m_Frame2, "Label4", QStringLiteral("Nº Convite:"));
    for (QLabel *caption : m_memberCaptions)
        setTextColour(caption, kDarkGreyText);
    setTextColour(m_Label4, kDarkGreyText);

    for (size_t row = 0; row < fields.size(); ++row) {
        QLabel *value = placeLabel(m_Frame2, fields[row].valueName);
        m_memberValues[row] = value;
        // Names and addresses come from the databases: never read as markup.
        value->setTextFormat(Qt::PlainText);
        value->setFont(arialFont(fields[row].points, true));
        setTextColour(value, kDarkGreyText);
    }

    m_Label_ZELMAR = placeLabel(m_Frame2, "Label_ZELMAR", QStringLiteral("Conectado ao servidor do ZELMAR"));
    m_Label_KORDA = placeLabel(m_Frame2, "Label_KORDA", QStringLiteral("Conectado ao servidor da KORDA"));
    for (QLabel *l : {m_Label_ZELMAR, m_Label_KORDA}) {
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
        setTextColour(l, palette().color(QPalette::Shadow));
        l->hide();
    }

    const struct
    {
        QLabel *frmMain::*member;
        const char *name;
        QString text;
        QColor back;
    } verdicts[] = {
        {&frmMain::m_FXMessage_OK, "FXMessage_OK", QStringLiteral("Convite OK!"), QColor(47, 106, 151)},
        {&frmMain::m_FXMessage_Invalid, "FXMessage_Invalid", QStringLiteral("O convite não é válido!"),
         QColor(128, 0, 0)},
        {&frmMain::m_FXMessage_Alert, "FXMessage_Alert", QStringLiteral("O convite não existe..."),
         QColor(201, 201, 3)},
    };
    QFont verdictFont(QStringLiteral("Calibri"));
    verdictFont.setPointSizeF(39.75);
    verdictFont.setBold(true);
    for (const auto &v : verdicts) {
        auto *label = new VerdictLabel(v.text, m_Frame2);
        place(label, v.name);
        this->*v.member = label;
        setTag(label, v.text);
        label->setFont(verdictFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        setTextColour(label, Qt::white);
        setBackColour(label, v.back);
        label->hide();
    }

    m_FXMessage_Fundo = placeLabel(m_Frame2, "FXMessage_Fundo");
    setBackColour(m_FXMessage_Fundo, palette().color(QPalette::Button));
    m_FXMessage_Fundo->hide();
}

void frmMain::createToolbars()
{
    m_ImageList1 = Artwork::toolbarPictures();

    const auto makeToolbar = [this](const char *name, const QString &caption, int picture, QAction **button) {
        auto *bar = new QToolBar(m_Frame2);
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->layout()->setContentsMargins(0, 0, 0, 0);
        bar->layout()->setSpacing(0);
        bar->setFocusPolicy(Qt::NoFocus);
        *button = bar->addAction(QIcon(m_ImageList1.value(picture)), caption);
        // The tool button shows the action's icon text, which Qt derives from the text with
        // its outer blanks trimmed; set it as it is, since "Validar  " sizes its button.
        (*button)->setIconText(caption);
        // The toolbar buttons never take the focus from the entry box.
        if (QWidget *w = bar->widgetForAction(*button))
            w->setFocusPolicy(Qt::NoFocus);
        place(bar, name);
        return bar;
    };
    m_Toolbar2 = makeToolbar("Toolbar2", QStringLiteral("Validar  "), 0, &m_Toolbar2Button);
    m_Toolbar1 = makeToolbar("Toolbar1", QStringLiteral("Verificar Entrada de VIPs"), 1, &m_Toolbar1Button);
    connect(m_Toolbar2Button, &QAction::triggered, this, &frmMain::Toolbar2_ButtonClick);
    connect(m_Toolbar1Button, &QAction::triggered, this, &frmMain::Toolbar1_ButtonClick);
}

void frmMain::applyStacking()
{
    // The design lists each container's controls from the top down; raise from the bottom up.
    const auto &table = frmMainDesign::controls();
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        QWidget *container = it->container[0] ? findChild<QWidget *>(QLatin1String(it->container)) : this;
        if (!container)
            continue;
        if (auto *w = container->findChild<QWidget *>(QLatin1String(it->name), Qt::FindDirectChildrenOnly))
            w->raise();
    }
}

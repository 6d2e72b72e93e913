#include "forms/frmsqlserver.h"

#include "data/modtestconnection.h"
#include "forms/sqlserverdialog.h"
#include "platform/errorreport.h"
#include "ui/artwork.h"
#include "ui/twipsgeometry.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int ClientWidth = 6225;
constexpr int ClientHeight = 2070;

QFont sansSerif(bool bold)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

} // namespace

frmSQLServer::frmSQLServer(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint)
{
    // The common controls need no start-up call here: the toolkit draws them itself.
    setObjectName(QStringLiteral("frmSQLServer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Ligação ao Servidor de Dados (SQL)"));
    setWindowIcon(QIcon(Artwork::sqlServerPicture()));
    setFont(sansSerif(false));
    setFixedSize(TwipsGeometry::twipsToPixelsX(ClientWidth, this), TwipsGeometry::twipsToPixelsY(ClientHeight, this));
    createControls();

    // Opened centred on the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Form_Load();
}

void frmSQLServer::createControls()
{
    auto label = [this](const char *name, const TwipsRect &rect, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        TwipsGeometry::setTwipsRect(l, rect);
        return l;
    };
    m_Image1 = label("Image1", {270, 270, 1005, 1050}, QString());
    m_Label1 = label("Label1", {1305, 225, 3885, 240}, QStringLiteral("Problemas na ligação ao servidor de dados."));
    m_Label1->setFont(sansSerif(true));
    m_Label2[0] = label("Label2_0", {1305, 540, 4335, 240},
                        QStringLiteral("Possivelmente o servidor SQL está desligado ou inacessível."));
    m_Label2[1] = label("Label2_1", {1305, 810, 4335, 600},
                        QStringLiteral("Certifique-se de que o respectivo servidor está ligado, e depois tente forçar "
                                       "a ligação carregando em 'Ligar ao servidor SQL'."));
    m_Label2[1]->setWordWrap(true);

    // Command2 comes first in the tab order, as on the original form.
    m_Command2 = new QPushButton(QStringLiteral("&Sair"), this);
    m_Command2->setObjectName(QStringLiteral("Command2"));
    TwipsGeometry::setTwipsRect(m_Command2, {2610, 1530, 1545, 420});
    m_Command1 = new QPushButton(QStringLiteral("&Ligar ao servidor SQL"), this);
    m_Command1->setObjectName(QStringLiteral("Command1"));
    TwipsGeometry::setTwipsRect(m_Command1, {4185, 1530, 1950, 420});

    connect(m_Command1, &QPushButton::clicked, this, &frmSQLServer::Command1_Click);
    connect(m_Command2, &QPushButton::clicked, this, &frmSQLServer::Command2_Click);
}

void frmSQLServer::Form_Load()
{
    try {
        m_Image1->setPixmap(Artwork::sqlServerPicture());
        TryAgain = false;
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmSQLServer"), QStringLiteral("Form_Load"));
    }
}

void frmSQLServer::Form_Activate()
{
    // Above every other window, each time it is activated.
    raise();
}

void frmSQLServer::Command1_Click()
{
    m_Command1->setEnabled(false);
    TryAgain = true;
    close();
}

void frmSQLServer::Command2_Click()
{
    TryAgain = false;
    close();
}

bool frmSQLServer::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(e);
}

void frmSQLServer::closeEvent(QCloseEvent *e)
{
    // The first close request only hides the window; the one that finds it hidden unloads it.
    if (isVisible()) {
        e->ignore();
        hide();
        return;
    }
    e->accept();
}

void frmSQLServer::installAsServerDialog()
{
    modTestConnection::setServerDialogFactory(
        []() -> std::unique_ptr<modTestConnection::ServerDialog> { return std::make_unique<SqlServerDialog>(); });
}

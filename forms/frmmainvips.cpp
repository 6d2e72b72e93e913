#include "forms/frmmainvips.h"

#include "data/moddata.h"
#include "data/recordset.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/runtimeerror.h"
#include "ui/artwork.h"
#include "ui/headerband.h"
#include "ui/twipsgeometry.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QShowEvent>
#include <QTreeWidget>

namespace {

constexpr float ClientWidth = 11910;
constexpr float ClientHeight = 7845;

const QString kSource = QStringLiteral("frmMainVIPs");

} // namespace

frmMainVIPs::frmMainVIPs(QWidget *owner) : QWidget(owner, Qt::Dialog)
{
    setObjectName(kSource);
    // A fixed single border with a close button only; a window of its own above its owner.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("VIPs"));
    setWindowIcon(Artwork::windowIcon());
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(TwipsGeometry::twipsToPixelsX(ClientWidth, this), TwipsGeometry::twipsToPixelsY(ClientHeight, this));

    createHeader();
    createBody();
    // The header band lies above the body where the two meet.
    m_header.frame->raise();
}

frmMainVIPs::~frmMainVIPs() = default;

void frmMainVIPs::createHeader()
{
    m_header = HeaderBand::create(this, QStringLiteral("Lista de Entradas VIPs"));
    TwipsGeometry::setTwipsRect(m_header.frame, {0, 0, 12600, 1050});
    TwipsGeometry::setTwipsRect(m_header.image2, {7875, 0, 6780, 1050});
    TwipsGeometry::setTwipsRect(m_header.image1, {-90, 0, 9000, 1050});
    TwipsGeometry::setTwipsRect(m_header.label3, {315, 630, 8250, 345});
    TwipsGeometry::setTwipsRect(m_header.label2, {315, 405, 8250, 345});
    TwipsGeometry::setTwipsRect(m_header.label1, {315, 180, 5160, 345});
    m_Label4 = HeaderBand::label(m_header.frame, "Label4", QStringLiteral("0."), arialFont(27.75, true));
    m_Label4->setAlignment(Qt::AlignRight | Qt::AlignTop);
    TwipsGeometry::setTwipsRect(m_Label4, {7920, 225, 3720, 705});
}

void frmMainVIPs::createBody()
{
    m_Frame2 = new QFrame(this);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    m_Frame2->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_Frame2->setLineWidth(1);
    TwipsGeometry::setTwipsRect(m_Frame2, {-45, 900, 12165, 7035});

    m_ImageList1 = {Artwork::vipListIcon()};

    m_ListView1 = new QTreeWidget(m_Frame2);
    m_ListView1->setObjectName(QStringLiteral("ListView1"));
    m_ListView1->setRootIsDecorated(false);
    m_ListView1->setUniformRowHeights(true);
    m_ListView1->setItemsExpandable(false);
    m_ListView1->setSortingEnabled(false);
    m_ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Read-only: no click, key or double click opens an editor on a row.
    m_ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ListView1->setIconSize(QSize(16, 16));
    m_ListView1->setColumnCount(3);
    m_ListView1->setHeaderLabels({QStringLiteral("No Empresa"), QStringLiteral("Nome"), QStringLiteral("Data Hora")});
    m_ListView1->headerItem()->setTextAlignment(2, Qt::AlignHCenter | Qt::AlignVCenter);
    m_ListView1->header()->setStretchLastSection(false);
    m_ListView1->setColumnWidth(0, TwipsGeometry::twipsToPixelsX(2000, this));
    m_ListView1->setColumnWidth(1, TwipsGeometry::twipsToPixelsX(6000, this));
    m_ListView1->setColumnWidth(2, TwipsGeometry::twipsToPixelsX(1800, this));
    TwipsGeometry::setTwipsRect(m_ListView1, {270, 450, 11445, 6270});
}

QString frmMainVIPs::vipQuery()
{
    return QStringLiteral("SELECT tbConvites.convite_id, tbConvites.no_tap, tbConvites.nome, tbConvites.checked_in "
                          "FROM tbConvites LEFT JOIN tbConvites_VIPs ON tbConvites.no_tap = tbConvites_VIPs.no_empresa "
                          "WHERE tbConvites.checked_in is not null AND tbConvites_VIPs.no_empresa is not null "
                          "ORDER BY tbConvites.nome");
}

QTreeWidgetItem *frmMainVIPs::ListItem(const QString &key) const
{
    return m_rows.value(key, nullptr);
}

void frmMainVIPs::clearRows()
{
    m_ListView1->clear();
    m_rows.clear();
}

bool frmMainVIPs::addRow(const QString &key, const QString &text)
{
    if (m_rows.contains(key))
        return false;
    auto *item = new QTreeWidgetItem(m_ListView1);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setText(0, text);
    item->setIcon(0, QIcon(m_ImageList1.value(0)));
    item->setTextAlignment(2, Qt::AlignHCenter | Qt::AlignVCenter);
    item->setData(0, Qt::UserRole, key);
    m_rows.insert(key, item);
    return true;
}

void frmMainVIPs::Form_Load()
{
    m_loaded = true;
    try {
        if (!Main)
            return;
        const QString message = Main->Connect();
        if (!message.isEmpty()) {
            MsgBox::show(message, MsgBox::Information | MsgBox::OKOnly, QStringLiteral("VIPs"));
            return;
        }
        const ConnectionRef korda = Main->kordaConnection();
        // A connection that holds no object fails like any call on a missing object.
        if (!korda)
            throw RuntimeError::objectNotSet();
        if (korda->State() != Connection::StateOpen)
            return;

        clearRows();
        Recordset rs;
        rs.Open(vipQuery(), korda);
        int32_t count = 0;
        while (!rs.Eof()) {
            const QString key = QStringLiteral("#") + rs.Fields("convite_id").Value().toText();
            // A company number listed twice among the VIPs brings its invitation twice:
            // it is shown and counted once.
            if (addRow(key, modData::ListField(rs, QStringLiteral("no_tap"), 3))) {
                ListItem(key)->setText(1, modData::ListField(rs, QStringLiteral("nome"), 3));
                ListItem(key)->setText(2, modData::ListField(rs, QStringLiteral("checked_in"), 7));
                ++count;
            }
            rs.MoveNext();
        }
        rs.Close();
        m_Label4->setText(QString::number(count) + QLatin1Char('.'));
    } catch (...) {
        ErrorReporting::formTail(kSource, QStringLiteral("Form_Load"));
    }
}

void frmMainVIPs::centreOnOwner()
{
    const QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
}

void frmMainVIPs::showEvent(QShowEvent *event)
{
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        centreOnOwner();
        if (!m_loaded)
            Form_Load();
    }
    QWidget::showEvent(event);
}

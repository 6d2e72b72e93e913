#include "forms/frmprocurarconvidado.h"

#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"
#include "data/localreplica.h"
#include "data/scanjournal.h"
#include "platform/errorreport.h"
#include "ui/artwork.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSource = QStringLiteral("frmProcurarConvidado");
const QString kPrompt = QStringLiteral("Escreva pelo menos duas letras do nome ou do Nº Empresa.");

} // namespace

namespace {

std::unique_ptr<BackgroundConnection> readerFor(const QString &localCopy)
{
    if (localCopy.isEmpty())
        return std::make_unique<BackgroundConnection>(Data::SqlServerId);
    return std::make_unique<BackgroundConnection>(LocalReplica(localCopy).connectionString());
}

} // namespace

frmProcurarConvidado::frmProcurarConvidado(QWidget *owner, const QString &localCopy)
    : QWidget(owner, Qt::Dialog),
      m_source(localCopy.isEmpty() ? GuestSearch::Source::CheckIn : GuestSearch::Source::LocalCopy),
      m_reader(readerFor(localCopy))
{
    setObjectName(kSource);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Procurar Convidado"));
    setWindowIcon(Artwork::windowIcon());
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    setFont(font);

    auto *caption = new QLabel(QStringLiteral("Nome ou Nº Empresa:"), this);
    m_searchBox = new QLineEdit(this);
    m_searchBox->setObjectName(QStringLiteral("searchBox"));
    QFont big = m_searchBox->font();
    big.setPointSizeF(12);
    m_searchBox->setFont(big);
    m_searchBox->installEventFilter(this);

    m_guestList = new QTreeWidget(this);
    m_guestList->setObjectName(QStringLiteral("guestList"));
    // The focus stays in the text box; the list only shows and is clicked.
    m_guestList->setFocusPolicy(Qt::NoFocus);
    m_guestList->setRootIsDecorated(false);
    m_guestList->setUniformRowHeights(true);
    m_guestList->setItemsExpandable(false);
    m_guestList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_guestList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_guestList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_guestList->setColumnCount(4);
    m_guestList->setHeaderLabels({QStringLiteral("Nº Convite"), QStringLiteral("Nome"), QStringLiteral("Nº Empresa"),
                                  QStringLiteral("Data Hora")});
    m_guestList->headerItem()->setTextAlignment(3, Qt::AlignHCenter | Qt::AlignVCenter);
    m_guestList->header()->setStretchLastSection(false);
    m_guestList->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_guestList->setColumnWidth(0, 100);
    m_guestList->setColumnWidth(2, 110);
    m_guestList->setColumnWidth(3, 140);

    m_statusLabel = new QLabel(GuestSearch::statusLine(kPrompt, m_source), this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(m_searchBox);
    layout->addWidget(m_guestList, 1);
    layout->addWidget(m_statusLabel);
    resize(760, 460);

    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer); // the list never comes before the pause is complete
    m_pause.setInterval(PauseMs);
    m_readAfter.setSingleShot(true);
    m_readAfter.setInterval(ReadAfterMs);
    connect(&m_pause, &QTimer::timeout, this, &frmProcurarConvidado::pauseEnded);
    connect(&m_readAfter, &QTimer::timeout, this, &frmProcurarConvidado::search);
    connect(m_searchBox, &QLineEdit::textChanged, this, [this] {
        m_held.reset();
        m_pause.start();
        m_readAfter.start();
    });
    connect(m_guestList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        m_guestList->setCurrentItem(item);
        choose();
    });
}

frmProcurarConvidado::~frmProcurarConvidado()
{
    // No job queued by this window runs any more.
    ++*m_latest;
}

void frmProcurarConvidado::clearList(const QString &status)
{
    m_guestList->clear();
    m_listedText.clear();
    showStatus(status);
}

void frmProcurarConvidado::showStatus(const QString &text)
{
    m_statusLabel->setText(GuestSearch::statusLine(text, m_source));
}

void frmProcurarConvidado::search()
{
    const QString text = m_searchBox->text();
    const int number = ++*m_latest;
    if (!GuestSearch::searchable(text))
        return;
    QString sql;
    try {
        sql = GuestSearch::query(text, m_source);
    } catch (...) {
        const CurrentError error = currentError();
        showFailure(text, error.number, error.description);
        return;
    }
    std::shared_ptr<std::atomic<int>> latest = m_latest;
    const bool copy = m_source == GuestSearch::Source::LocalCopy;
    m_reader->run(
        [this, latest, number, sql, text, copy](const ConnectionRef &connection) -> BackgroundConnection::Then {
            if (latest->load() != number)
                return [] {};
            GuestSearch::Result result = GuestSearch::read(connection, sql);
            if (copy)
                GuestSearch::showOwnEntries(result, ScanJournal().pendingOffline());
            return [this, latest, number, text, result = std::move(result)] {
                if (latest->load() == number)
                    resultRead(text, result);
            };
        },
        [this, latest, number, text](const CurrentError &error) {
            if (latest->load() == number)
                showFailure(text, error.number, error.description);
        });
}

void frmProcurarConvidado::pauseEnded()
{
    const QString text = m_searchBox->text();
    if (!GuestSearch::searchable(text))
        clearList(kPrompt);
    else if (m_held && m_held->first == text)
        showResult(m_held->first, m_held->second);
    m_held.reset();
}

void frmProcurarConvidado::resultRead(const QString &text, const GuestSearch::Result &result)
{
    // Rows that come before the pause is complete wait for it.
    if (m_pause.isActive())
        m_held.emplace(text, result);
    else
        showResult(text, result);
}

void frmProcurarConvidado::showResult(const QString &text, const GuestSearch::Result &result)
{
    m_guestList->clear();
    for (const GuestSearch::Row &row : result.rows) {
        auto *item = new QTreeWidgetItem(m_guestList);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        for (int column = 0; column < 4; ++column)
            item->setText(column, row.cells[column]);
        item->setTextAlignment(3, Qt::AlignHCenter | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, row.conviteNo);
    }
    m_listedText = text;
    if (m_guestList->topLevelItemCount() > 0)
        m_guestList->setCurrentItem(m_guestList->topLevelItem(0));
    if (result.more)
        showStatus(QStringLiteral("Há mais de %1 convites com este texto: escreva mais para os distinguir.")
                       .arg(GuestSearch::MaxRows));
    else if (result.rows.empty())
        showStatus(QStringLiteral("Nenhum convite encontrado."));
    else
        showStatus(QString());
}

void frmProcurarConvidado::showFailure(const QString &text, int32_t number, const QString &description)
{
    Q_UNUSED(text);
    clearList(QStringLiteral("Erro na procura: ") + description);
    ErrorReporting::formTail(kSource, QStringLiteral("Procurar"), number, description);
}

void frmProcurarConvidado::choose()
{
    // Only a row of the list read for the text now in the box is taken.
    QTreeWidgetItem *item = m_guestList->currentItem();
    if (!item || m_listedText != m_searchBox->text() || m_pause.isActive())
        return;
    const QString conviteNo = item->data(0, Qt::UserRole).toString();
    close();
    emit guestChosen(conviteNo);
}

bool frmProcurarConvidado::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_searchBox && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: QCoreApplication::sendEvent(m_guestList, key); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: choose(); return true;
        case Qt::Key_Escape: close(); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

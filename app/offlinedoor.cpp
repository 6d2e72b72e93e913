#include "app/offlinedoor.h"

#include "app/frmmain.h"
#include "app/frmmain_design.h"
#include "data/backgroundconnection.h"
#include "data/checkinverdict.h"
#include "data/dataenvironment.h"
#include "data/datetext.h"
#include "data/entrycounter.h"
#include "data/localreplica.h"
#include "data/offlinecheckin.h"
#include "data/recordset.h"
#include "data/replicarefresher.h"
#include "platform/msgbox.h"
#include "platform/textutil.h"
#include "ui/modcontrols.h"
#include "ui/verdictsound.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int BannerHeight = 30;
constexpr int ButtonWidth = 190;

QColor offlineColour()
{
    return QColor(255, 102, 0); // signal orange: no verdict band uses it
}

QColor backOnlineColour()
{
    return QColor(0, 128, 0);
}

void paint(QWidget *w, const QColor &back)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::Button, back);
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::ButtonText, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QString hourMinute(const QDateTime &t)
{
    return t.toString(QStringLiteral("HH:mm"));
}

// Places the banner and the conflicts button along the top of the body, just under the header
// band (the count stays readable; the status labels it covers say no more than it does), across the
// window's width (the band may reach past it), at every resize of either. They are the window's
// own children lying over the body, so that the body's controls keep their stacking.
class BannerPlacer : public QObject
{
public:
    BannerPlacer(QWidget *window, QFrame *band, QLabel *banner, QPushButton *button)
        : QObject(banner), m_window(window), m_band(band), m_banner(banner), m_button(button)
    {
        window->installEventFilter(this);
        band->installEventFilter(this);
        place();
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            place();
        return false;
    }

private:
    void place()
    {
        const int width = std::min(m_band->width(), m_window->width() - m_band->x());
        const QPoint at = m_band->mapTo(m_window, QPoint(0, 0));
        m_banner->setGeometry(at.x(), at.y(), width, BannerHeight);
        m_button->setGeometry(at.x() + width - ButtonWidth - 4, at.y() + 2, ButtonWidth, BannerHeight - 4);
        m_banner->raise();
        m_button->raise();
    }

    QWidget *m_window;
    QFrame *m_band;
    QLabel *m_banner;
    QPushButton *m_button;
};

} // namespace

OfflineDoor::OfflineDoor(frmMain &window, ReplicaRefresher *refresher)
    : QObject(&window), m_window(window), m_refresher(refresher),
      m_link(std::make_unique<BackgroundConnection>(Data::SqlServerId, QThread::LowPriority))
{
    m_banner = new QLabel(&window);
    m_banner->setObjectName(QStringLiteral("offlineBanner"));
    m_banner->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    m_banner->setAlignment(Qt::AlignCenter);
    m_banner->hide();
    m_conflictButton = new QPushButton(&window);
    m_conflictButton->setObjectName(QStringLiteral("conflictButton"));
    m_conflictButton->setFont(QFont(QStringLiteral("Arial"), 11, QFont::Bold));
    m_conflictButton->setFocusPolicy(Qt::NoFocus);
    paint(m_conflictButton, QColor(128, 0, 0));
    m_conflictButton->hide();
    connect(m_conflictButton, &QPushButton::clicked, this, &OfflineDoor::showConflicts);
    new BannerPlacer(&window, window.ui().Frame2, m_banner, m_conflictButton);

    // F6 anywhere in the window; like F3 it never reaches the entry box.
    auto *f6 = new QShortcut(QKeySequence(Qt::Key_F6), &window);
    f6->setContext(Qt::WindowShortcut);
    connect(f6, &QShortcut::activated, this, &OfflineDoor::switchByHand);

    m_timer.setInterval(RetryIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &OfflineDoor::tick);
    m_backOnline.setSingleShot(true);
    m_backOnline.setInterval(BackOnlineShownMs);
    connect(&m_backOnline, &QTimer::timeout, this, &OfflineDoor::showState);
    if (EntryCounter *counter = window.entryCounter())
        connect(counter, &EntryCounter::textChanged, this, &OfflineDoor::showOfflineCount);
    connect(m_refresher, &ReplicaRefresher::refreshed, this, &OfflineDoor::showOfflineCount);
    // Entries left by an earlier run go out once the window is up.
    m_timer.start();
    QTimer::singleShot(0, this, &OfflineDoor::tick);
}

OfflineDoor::~OfflineDoor() = default;

qint64 OfflineDoor::maxCopyAgeSeconds()
{
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("QUORVET_OFFLINE_MAX_AGE").trimmed().toLongLong(&ok);
    return ok && seconds >= 0 ? seconds : 900;
}

QString OfflineDoor::question(const QDateTime &copiedAt)
{
    return QStringLiteral("Continuar sem ligação ao servidor, com a cópia local das %1?")
        .arg(hourMinute(copiedAt.toLocalTime()));
}

QString OfflineDoor::bannerText(const QDateTime &copiedAt, int pending)
{
    return QStringLiteral("SEM LIGAÇÃO — cópia das %1 — %2 entradas por enviar")
        .arg(hourMinute(copiedAt.toLocalTime()))
        .arg(pending);
}

QString OfflineDoor::offlineCopy() const
{
    return m_offline ? m_refresher->replica().path() : QString();
}

int OfflineDoor::pendingCount() const
{
    return int(m_journal.pendingOffline().size());
}

qint64 OfflineDoor::clockOffsetMs() const
{
    if (m_offsetMs)
        return *m_offsetMs;
    return m_journal.journalledClockOffsetMs().value_or(0);
}

OfflineDoor::Offer OfflineDoor::afterConnectFailed(const QString &message)
{
    const QString mode = qEnvironmentVariable("QUORVET_OFFLINE").trimmed().toLower();
    const std::optional<qint64> age = m_refresher->ageSeconds();
    if (mode == QLatin1String("off") || !age || *age > maxCopyAgeSeconds())
        return Offer::NotOffered;
    if (mode != QLatin1String("auto")) {
        const int answer = MsgBox::show(message + QStringLiteral("\n\n") + question(*m_refresher->copiedAt()),
                                        MsgBox::YesNo | MsgBox::Question | MsgBox::DefaultButton2,
                                        m_window.windowTitle());
        if (answer != MsgBox::Yes)
            return Offer::Declined;
    }
    goOffline();
    return Offer::Offline;
}

void OfflineDoor::checkIn()
{
    QLineEdit *box = m_window.ui().FXNo_TAP;
    const QString typed = box->text();
    const QString number = TextUtil::trimSpaces(TextUtil::foldLookAlikes(typed));
    const LocalReplica &copy = m_refresher->replica();
    const std::optional<LocalReplica::Invitation> invitation = copy.invitation(number);
    std::optional<OfflineEntry> own;
    if (invitation)
        own = m_journal.pendingOffline(invitation->conviteId);
    const OfflineCheckin decided = OfflineCheckin::decide(invitation, own);

    m_window.LastConviteID = decided.conviteId;
    m_lastEntry.reset();
    if (!decided.panel.empty()) {
        QLabel *const values[] = {m_window.ui().FXNome_Union,      m_window.ui().FXNo_Empresa, m_window.ui().FXNo_Socio,
                                  m_window.ui().FXData_Nascimento, m_window.ui().FXEmpresa,    m_window.ui().FXBase,
                                  m_window.ui().FXMorada,          m_window.ui().FXLocalidade};
        const auto &fields = frmMainDesign::memberFields();
        for (size_t row = 0; row < fields.size(); ++row) {
            const int column = int(
                LocalReplica::panelColumns().indexOf(QString::fromLatin1(fields[row].column).toLower()));
            if (column >= 0)
                modControls::FillControl(values[row], decided.panel[size_t(column)], 3);
        }
    } else if (decided.invitationFound && !decided.member) {
        m_window.ui().FXNome_Union->setText(decided.guestName);
    }
    // Photographs are not in the copy.
    m_window.ui().ucIDFotos1->Load(-1);

    CheckinVerdict verdict = decided.verdict;
    QString journalVerdict = decided.invitationFound ? QStringLiteral("used") : QStringLiteral("not_found");
    if (verdict.writeEntry) {
        OfflineEntry entry;
        entry.conviteId = decided.conviteId;
        entry.typed = typed;
        entry.deskTime = OfflineEntry::deskNow();
        // As the server will keep it: a DATETIME's 1/300 s tick.
        entry.serverTime = DateText::datetimeTick(entry.deskTime.addMSecs(clockOffsetMs()));
        if (m_journal.recordOffline(entry)) {
            m_lastEntry = entry;
            journalVerdict = QStringLiteral("accepted_offline");
        } else {
            verdict = CheckinVerdict::failure(m_journal.journal().lastError());
            journalVerdict = QStringLiteral("error");
        }
    }
    m_window.ShowMessage(verdict.kind, verdict.text, verdict.callSign);
    if (journalVerdict != QLatin1String("accepted_offline"))
        m_journal.record(typed, journalVerdict, decided.conviteId, decided.entryTime);
    if (VerdictSoundPlayer *sounds = m_window.verdictSounds())
        sounds->playVerdict(journalVerdict == QLatin1String("accepted_offline") ? QStringLiteral("accepted")
                                                                                : journalVerdict);
    showState();
}

bool OfflineDoor::undoOffline()
{
    if (!m_lastEntry || m_window.LastConviteID != m_lastEntry->conviteId || m_delivering)
        return false;
    // Delivered since (online again): the window's own undo is not offered for it either.
    if (!m_journal.pendingOffline(m_lastEntry->conviteId)) {
        m_lastEntry.reset();
        return false;
    }
    const QString prompt = QStringLiteral("Deseja anular a última entrada em nome de:") + QStringLiteral("\n\r\n\r")
                           + m_window.ui().FXNome_Union->text();
    if (MsgBox::show(prompt, MsgBox::Question | MsgBox::YesNo, QStringLiteral("Anular última entrada")) != MsgBox::Yes)
        return true;
    if (m_journal.recordOfflineUndo(*m_lastEntry)) {
        m_lastEntry.reset();
        m_window.LimparForm();
    }
    showState();
    return true;
}

void OfflineDoor::switchByHand()
{
    if (m_offline) {
        goOnline(false);
    } else if (m_refresher->copiedAt()) {
        goOffline();
    }
}

void OfflineDoor::retryNow()
{
    tick();
}

void OfflineDoor::goOffline()
{
    m_offline = true;
    m_backOnline.stop();
    showState();
}

void OfflineDoor::goOnline(bool answered)
{
    m_offline = false;
    m_lastEntry.reset();
    if (answered)
        m_backOnline.start();
    showState();
    if (EntryCounter *counter = m_window.entryCounter())
        counter->refreshNow();
    emit wentOnline();
    deliver();
}

void OfflineDoor::tick()
{
    if (m_offline)
        probe();
    else if (pendingCount() > 0)
        deliver();
}

void OfflineDoor::probe()
{
    if (m_probing)
        return;
    m_probing = true;
    // All three must answer, as Connect asks of them; the check-in database's connection is the link's own.
    m_link->run(
        [this](const ConnectionRef &checkIn) -> BackgroundConnection::Then {
            const QString probe = QStringLiteral("SELECT @@TRANCOUNT as flTrans");
            for (const ConnectionRef &c : {checkIn, BackgroundConnection::openNamed(Data::ZelmarId),
                                           BackgroundConnection::openNamed(Data::KordaId)}) {
                Recordset rs;
                rs.Open(probe, c);
                rs.Close();
            }
            return [this] {
                m_probing = false;
                if (m_offline)
                    goOnline(true);
            };
        },
        [this](const CurrentError &) { m_probing = false; });
}

void OfflineDoor::deliver()
{
    if (m_delivering)
        return;
    m_delivering = true;
    const QString path = m_journal.journal().path();
    m_link->run(
        [this, path](const ConnectionRef &checkIn) -> BackgroundConnection::Then {
            ScanJournal journal(path);
            auto settled = std::make_shared<std::vector<OfflineDelivery::Settled>>(
                OfflineDelivery::deliverPending(checkIn, journal));
            return [this, settled] {
                m_delivering = false;
                for (const OfflineDelivery::Settled &s : *settled)
                    if (s.outcome == OfflineDelivery::Outcome::Conflict)
                        m_conflicts.push_back(s);
                if (!settled->empty()) {
                    if (EntryCounter *counter = m_window.entryCounter())
                        counter->refreshNow();
                    m_refresher->refreshNow();
                }
                showState();
                emit delivered();
            };
        },
        // The link dropped again: what was settled is journalled, the rest waits for the next tick.
        [this](const CurrentError &) {
            m_delivering = false;
            showState();
        });
}

void OfflineDoor::showState()
{
    const int pending = pendingCount();
    if (m_offline) {
        paint(m_banner, offlineColour());
        m_banner->setText(bannerText(m_refresher->copiedAt().value_or(QDateTime()), pending));
        m_banner->show();
    } else if (m_backOnline.isActive()) {
        paint(m_banner, backOnlineColour());
        m_banner->setText(pending > 0 ? QStringLiteral("LIGAÇÃO RESTABELECIDA — a enviar %1 entradas").arg(pending)
                                      : QStringLiteral("LIGAÇÃO RESTABELECIDA"));
        m_banner->show();
    } else {
        m_banner->hide();
    }
    m_banner->raise();
    m_conflictButton->setText(QStringLiteral("%1 conflitos").arg(m_conflicts.size()));
    m_conflictButton->setVisible(!m_conflicts.empty());
    m_conflictButton->raise();
    showOfflineCount();
}

void OfflineDoor::showOfflineCount()
{
    QLabel *count = m_window.ui().entryCountLabel;
    if (!m_offline || !count)
        return;
    // Smaller than the count, so that both fit the header's corner.
    static const QString copyNote = QStringLiteral("<span style=\"font-size:12pt\"> (cópia local)</span>");
    try {
        const int64_t entries = m_refresher->replica().entryCount() + pendingCount();
        count->setText(QStringLiteral("Entradas: %1").arg(QLocale(QLocale::Portuguese).toString(entries)) + copyNote);
    } catch (...) {
        count->setText(QStringLiteral("Entradas: —") + copyNote);
    }
}

void OfflineDoor::showConflicts()
{
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("conflictWindow"));
    dialog.setWindowTitle(QStringLiteral("Conflitos"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Convites que outro posto registou primeiro:"), &dialog));
    auto *list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("conflictList"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("Nº Convite"), QStringLiteral("Nome"), QStringLiteral("Hora neste posto"),
                           QStringLiteral("Hora no servidor")});
    const QString format = QStringLiteral("dd-MM-yyyy HH:mm:ss");
    for (const OfflineDelivery::Settled &s : m_conflicts) {
        QString name;
        try {
            if (const auto copy = m_refresher->replica().invitation(TextUtil::trimSpaces(s.entry.typed)))
                name = copy->nome.isNull() ? QString() : copy->nome.toText();
        } catch (...) {
        }
        const QDateTime server = serverInstant(s.serverEntry);
        list->addTopLevelItem(new QTreeWidgetItem(
            {TextUtil::trimSpaces(s.entry.typed), name, s.entry.serverTime.toString(format),
             server.isValid() ? server.toString(format) : QStringLiteral("(convite inexistente)")}));
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *seen = buttons->addButton(QStringLiteral("Visto"), QDialogButtonBox::AcceptRole);
    seen->setObjectName(QStringLiteral("acknowledgeButton"));
    buttons->addButton(QStringLiteral("Fechar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 300);
    if (dialog.exec() == QDialog::Accepted) {
        m_conflicts.clear();
        showState();
    }
}

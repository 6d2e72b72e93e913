#pragma once

#include "data/offlinedelivery.h"
#include "data/scanjournal.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class BackgroundConnection;
class QLabel;
class QPushButton;
class ReplicaRefresher;
class frmMain;

// Keeps the door going when the servers do not answer: the desk offline, deciding from its
// local copy (OfflineCheckin) and journalling each entry it accepts (accepted_offline), then
// back online by itself and delivering those entries once each (OfflineDelivery).
//
// Owned by the main window (a child QObject); it only uses the window's public procedures and
// controls, and adds under the header band a banner ("SEM LIGAÇÃO — cópia das HH:MM — N entradas
// por enviar") and a button "N conflitos" that opens the list of conflicts. Offline, the three
// connections are tried every 10 s on a thread of its own (BackgroundConnection, never the
// window's), and deliveries run there too, each entry journalled as it is settled; a failure
// there only waits for the next try. A scan decided offline that cannot be journalled is
// refused with the error verdict (nothing unjournalled is ever accepted).
class OfflineDoor : public QObject
{
    Q_OBJECT
public:
    static constexpr int RetryIntervalMs = 10000;
    static constexpr int BackOnlineShownMs = 5000;

    // refresher: the window's local copy (not null).
    OfflineDoor(frmMain &window, ReplicaRefresher *refresher);
    ~OfflineDoor() override;

    // QUORVET_OFFLINE_MAX_AGE, in seconds (900 when unset or not a number).
    static qint64 maxCopyAgeSeconds();
    // "Continuar sem ligação ao servidor, com a cópia local das HH:MM?".
    static QString question(const QDateTime &copiedAt);
    // "SEM LIGAÇÃO — cópia das HH:MM — N entradas por enviar".
    static QString bannerText(const QDateTime &copiedAt, int pending);

    bool isOffline() const { return m_offline; }
    // The local copy's path while offline (the guest search reads it then); empty online.
    QString offlineCopy() const;

    // After Connect failed with message: with a copy younger than the limit, asks whether to go
    // on offline (QUORVET_OFFLINE=auto goes without asking). NotOffered: nothing was shown, the
    // caller shows today's message; Declined: the message was shown with the question.
    enum class Offer { NotOffered, Declined, Offline };
    Offer afterConnectFailed(const QString &message);
    // One check-in of the entry box's number from the copy; RuntimeError when the copy cannot be read.
    void checkIn();
    // Esc: the undo of this desk's offline entry on screen while it is not yet delivered. False
    // when there is none (the window's own undo then runs).
    bool undoOffline();
    // F6: offline with a copy, or back online (which delivers), by hand.
    void switchByHand();
    // The offset of the server's clock to the desk's, measured by the last online check-in.
    void setServerClockOffset(qint64 ms) { m_offsetMs = ms; }

    // The three servers tried now (offline), or a delivery now (online); for the tests.
    void retryNow();
    int pendingCount() const;
    bool delivering() const { return m_delivering; }
    QLabel *banner() const { return m_banner; }
    QPushButton *conflictButton() const { return m_conflictButton; }
    const std::vector<OfflineDelivery::Settled> &conflicts() const { return m_conflicts; }
    // Opens the list of conflicts (modal); acknowledged, the list and the header button clear.
    void showConflicts();

signals:
    void wentOnline();
    void delivered();

private:
    void goOffline();
    // Back online: by itself (all three answered; the banner says so for a few seconds) or by hand.
    void goOnline(bool answered);
    void tick();
    void probe();
    void deliver();
    void showState();
    void showOfflineCount();
    qint64 clockOffsetMs() const;

    frmMain &m_window;
    ReplicaRefresher *m_refresher;
    ScanJournal m_journal;
    std::unique_ptr<BackgroundConnection> m_link;
    QTimer m_timer;
    QTimer m_backOnline;
    QLabel *m_banner = nullptr;
    QPushButton *m_conflictButton = nullptr;
    std::optional<qint64> m_offsetMs;
    std::optional<OfflineEntry> m_lastEntry; // the offline entry on screen
    std::vector<OfflineDelivery::Settled> m_conflicts;
    bool m_offline = false;
    bool m_probing = false;
    bool m_delivering = false;
};

#pragma once

#include <QObject>

class QLabel;
class ReplicaRefresher;

// The desk's local copy of the invitations (ReplicaRefresher, on its own thread) and, while
// the first copy is made, its progress in the label ("Cópia local: 45 %"), hidden otherwise.
// The copying starts a little after the window is up, so that neither the start nor the first
// scans wait on it. A child of the main window; the refresher is its child. Made only when
// the desk keeps a local copy (not with QUORVET_OFFLINE=off).
class LocalCopyDisplay : public QObject
{
    Q_OBJECT
public:
    LocalCopyDisplay(QLabel *label, QObject *window);

    ReplicaRefresher *refresher() const { return m_refresher; }

private:
    static constexpr int StartDelayMs = 2000;
    ReplicaRefresher *m_refresher;
};

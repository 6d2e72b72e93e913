#include "app/localcopydisplay.h"

#include "data/localreplica.h"
#include "data/replicarefresher.h"

#include <QLabel>
#include <QTimer>

LocalCopyDisplay::LocalCopyDisplay(QLabel *label, QObject *window)
    : QObject(window), m_refresher(new ReplicaRefresher(LocalReplica::defaultPath(), this))
{
    connect(m_refresher, &ReplicaRefresher::progressChanged, label, [label](const QString &text) {
        label->setText(text);
        label->setVisible(!text.isEmpty());
    });
    QTimer::singleShot(StartDelayMs, m_refresher, &ReplicaRefresher::start);
}

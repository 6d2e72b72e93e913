// frmMain: the desk's local copy of the invitations (ReplicaRefresher), kept on its own
// thread; while the first copy is made, its progress stands small at the top right of the
// header band ("Cópia local: 45 %"). QUORVET_OFFLINE=off keeps no copy.
#include "app/frmmain.h"

#include "app/offlinedoor.h"
#include "data/localreplica.h"
#include "data/replicarefresher.h"
#include "ui/rightedgeanchor.h"
#include "ui/twipsgeometry.h"

#include <QLabel>
#include <QTimer>

void frmMain::createLocalCopy()
{
    if (!LocalReplica::enabled())
        return;
    m_LabelCopia = new QLabel(m_header.frame);
    m_LabelCopia->setObjectName(QStringLiteral("LabelCopia"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    m_LabelCopia->setFont(font);
    m_LabelCopia->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette p = m_LabelCopia->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    m_LabelCopia->setPalette(p);
    TwipsGeometry::setTwipsRect(m_LabelCopia, {0, 15, 6000, 255});
    m_LabelCopia->raise();
    m_LabelCopia->hide();
    new RightEdgeAnchor(m_LabelCopia, TwipsGeometry::twipsToPixelsX(270, this));

    m_replicaRefresher = new ReplicaRefresher(LocalReplica::defaultPath(), this);
    connect(m_replicaRefresher, &ReplicaRefresher::progressChanged, m_LabelCopia, [this](const QString &text) {
        m_LabelCopia->setText(text);
        m_LabelCopia->setVisible(!text.isEmpty());
    });
    // A little after the window is up, so that neither the start nor the first scans wait on it.
    QTimer::singleShot(StartDelayMs, m_replicaRefresher, &ReplicaRefresher::start);
    m_offlineDoor = new OfflineDoor(*this, m_replicaRefresher);
}

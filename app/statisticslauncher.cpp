#include "app/statisticslauncher.h"

#include "forms/frmestatisticas.h"
#include "platform/errorreport.h"

#include <QAction>
#include <QShortcut>

StatisticsLauncher::StatisticsLauncher(QWidget *window, QAction *button) : QObject(window), m_window(window)
{
    connect(button, &QAction::triggered, this, &StatisticsLauncher::openStatistics);
    auto *f4 = new QShortcut(QKeySequence(Qt::Key_F4), window);
    connect(f4, &QShortcut::activated, this, &StatisticsLauncher::openStatistics);
}

void StatisticsLauncher::openStatistics()
{
    try {
        if (!m_statistics) {
            m_statistics = new frmEstatisticas(m_window);
            m_statistics->show();
        }
        m_statistics->raise();
        m_statistics->activateWindow();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("openStatistics"));
    }
}

void StatisticsLauncher::refresh()
{
    if (m_statistics)
        m_statistics->refreshNow();
}

frmEstatisticas *StatisticsLauncher::statisticsWindow() const
{
    return m_statistics;
}

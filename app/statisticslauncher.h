#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;
class frmEstatisticas;

// The statistics of the main window: its "Estatísticas" button and F4 open the window of the
// arrivals at a glance (frmEstatisticas, owned by the main window), one at a time: a second
// press brings the open one to the front. A child of the main window. F4 never reaches the
// entry box. A failure to open is reported to the error log.
class StatisticsLauncher : public QObject
{
    Q_OBJECT
public:
    StatisticsLauncher(QWidget *window, QAction *button);

    void openStatistics();
    // Reads the open window again (nothing when none is open).
    void refresh();
    // The open window, or null.
    frmEstatisticas *statisticsWindow() const;

private:
    QWidget *m_window;
    QPointer<frmEstatisticas> m_statistics;
};

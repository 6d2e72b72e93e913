#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;

// The guest search of the main window: its "Procurar Convidado" button and F3 open a new
// "Procurar Convidado" window (frmProcurarConvidado, owned by the main window, deleting itself
// when closed); the guest chosen there goes to checkIn. A child of the main window. F3 never
// reaches the entry box, so it does not clear the screen. While offlineCopy gives a path (the
// desk offline), the window opened reads that local copy. A failure to open is reported to
// the error log and nothing opens.
class GuestSearchLauncher : public QObject
{
    Q_OBJECT
public:
    using CheckIn = std::function<void(const QString &conviteNo)>;
    // The local copy's path while the desk is offline, empty while it is online.
    using OfflineCopy = std::function<QString()>;
    GuestSearchLauncher(QWidget *window, QAction *button, CheckIn checkIn, OfflineCopy offlineCopy);

    void openGuestSearch();

private:
    QWidget *m_window;
    CheckIn m_checkIn;
    OfflineCopy m_offlineCopy;
};

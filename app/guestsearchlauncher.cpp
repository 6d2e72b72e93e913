#include "app/guestsearchlauncher.h"

#include "forms/frmprocurarconvidado.h"
#include "platform/errorreport.h"

#include <QAction>
#include <QShortcut>

GuestSearchLauncher::GuestSearchLauncher(QWidget *window, QAction *button, CheckIn checkIn, OfflineCopy offlineCopy)
    : QObject(window), m_window(window), m_checkIn(std::move(checkIn)), m_offlineCopy(std::move(offlineCopy))
{
    connect(button, &QAction::triggered, this, &GuestSearchLauncher::openGuestSearch);
    auto *f3 = new QShortcut(QKeySequence(Qt::Key_F3), window);
    connect(f3, &QShortcut::activated, this, &GuestSearchLauncher::openGuestSearch);
}

void GuestSearchLauncher::openGuestSearch()
{
    try {
        auto *search = new frmProcurarConvidado(m_window, m_offlineCopy());
        connect(search, &frmProcurarConvidado::guestChosen, this,
                [this](const QString &conviteNo) { m_checkIn(conviteNo); });
        search->show();
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("openGuestSearch"));
    }
}

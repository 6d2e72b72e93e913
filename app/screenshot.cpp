#include "app/screenshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

bool exposed(const QWidget &window)
{
    return window.windowHandle() && window.windowHandle()->isExposed();
}

} // namespace

bool saveWindowScreenshot(QWidget &window, const QString &path)
{
    QDeadlineTimer deadline(5000);
    while (!exposed(window) && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    if (!exposed(window))
        std::fprintf(stderr, "screenshot: the window was not exposed; rendering it anyway\n");
    QCoreApplication::processEvents();
    const QPixmap picture = window.grab();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("screenshot: %dx%d written to %s\n", picture.width(), picture.height(), qPrintable(path));
    return true;
}

#include "app/screenshot.h"

#include "app/frmmain.h"
#include "ui/vbtimer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
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

bool checkInForScreenshot(frmMain &window, const QString &number)
{
    QLineEdit *box = window.ui().FXNo_TAP;
    const auto press = [box](int key, const QString &text) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &up);
    };
    for (const QChar c : number) {
        // Digits and letters carry their own key codes (Qt::Key_0, Qt::Key_A, ...).
        const int key = c.isDigit() ? int(c.unicode()) : c.isLetter() ? int(c.toUpper().unicode()) : 0;
        press(key, QString(c));
    }
    press(Qt::Key_Return, QStringLiteral("\r"));

    QDeadlineTimer deadline(10000);
    while ((window.ui().Timer1->Enabled() || !box->isEnabled()) && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    if (!box->isEnabled()) {
        std::fprintf(stderr, "screenshot: the desk did not unlock after the check-in\n");
        return false;
    }
    std::printf("screenshot: checked %s in\n", qPrintable(number));
    return true;
}

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

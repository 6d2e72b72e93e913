#include "app/frmmain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Closing the main window ends the program's processes by its own executable name and
// leaves the event loop, also while another top-level window is open and when the walk
// ended nothing.
TEST(frmMainCloseTest, ClosingEndsTheProgramByItsOwnNameWithOtherWindowsOpen)
{
    QStringList terminated;
    frmMain w;
    w.setProcessTerminator([&](const QString &name) {
        terminated.append(name);
        return false;
    });
    w.Form_Load();
    QWidget other;
    other.setWindowTitle(QStringLiteral("VIPs"));
    other.show();

    QTimer::singleShot(0, &w, [&] { w.close(); });
    // A safety net so that a failure shows as a wrong exit code, not a hang.
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    const int code = QApplication::exec();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(terminated, QStringList{QFileInfo(QCoreApplication::applicationFilePath()).fileName()});
    EXPECT_EQ(terminated.value(0), QStringLiteral("test_frmmainclose"));
    EXPECT_TRUE(other.isVisible());
    EXPECT_FALSE(w.isVisible());
}

} // namespace

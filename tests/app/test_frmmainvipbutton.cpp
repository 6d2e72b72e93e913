#include "app/frmmain.h"
#include "forms/frmmainvips.h"
#include "tests/forms/vipdatabases.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The desk's three named connections pointed at embedded files: an empty ZELMAR file, and
// KORDA's file with the check-in file attached.
class VipButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString zelmar = TestSupport::processTempDir() + QStringLiteral("/zelmar.db");
        VipDatabases::run(zelmar, {"CREATE TABLE tbDefs (arquivodocumental TEXT)"});
        qputenv("QUORVET_CONNECTION_SQLSERVER",
                (QStringLiteral("Provider=SQLite;Data Source=") + db.checkInPath()).toUtf8());
        qputenv("QUORVET_CONNECTION_ZELMAR", (QStringLiteral("Provider=SQLite;Data Source=") + zelmar).toUtf8());
        qputenv("QUORVET_CONNECTION_KORDA", db.kordaConnectionString().toUtf8());
        TestSupport::clearErrorReports();
    }
    void TearDown() override
    {
        for (const char *name :
             {"QUORVET_CONNECTION_SQLSERVER", "QUORVET_CONNECTION_ZELMAR", "QUORVET_CONNECTION_KORDA"})
            qunsetenv(name);
    }

    VipDatabases db;
    TestSupport::MsgBoxRecorder boxes;
};

TEST_F(VipButtonTest, EveryClickOpensAnotherListOwnedByTheMainWindow)
{
    db.invitation(1, "V1", "Rita", "2026-12-08 22:00:00");
    db.invitation(2, "V2", "Paulo", "2026-12-08 22:10:00");
    db.invitation(3, "E3", "Ana", "2026-12-08 22:20:00");
    db.vip("V1");
    db.vip("V2");

    frmMain w;
    w.setProcessTerminator([](const QString &) { return false; });
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QWidget *button = w.ui().Toolbar1->widgetForAction(w.ui().Toolbar1Button);

    QTest::mouseClick(button, Qt::LeftButton);
    // A second entry meanwhile: the second window reads its own, fresher list.
    db.invitation(4, "V4", "Bruno", "2026-12-08 22:30:00");
    db.vip("V4");
    QTest::mouseClick(button, Qt::LeftButton);

    const QList<frmMainVIPs *> lists = w.findChildren<frmMainVIPs *>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(lists.size(), 2);
    for (frmMainVIPs *vips : lists) {
        EXPECT_TRUE(vips->isWindow());
        EXPECT_TRUE(vips->isVisible());
        EXPECT_FALSE(vips->isModal());
        EXPECT_EQ(vips->parentWidget(), &w);
        EXPECT_EQ(vips->Main, static_cast<VipSource *>(&w));
        EXPECT_TRUE(vips->loaded());
    }
    EXPECT_EQ(lists[0]->Label4()->text(), QStringLiteral("2."));
    EXPECT_EQ(lists[1]->Label4()->text(), QStringLiteral("3."));
    EXPECT_EQ(lists[1]->ListView1()->topLevelItem(0)->text(1), QStringLiteral("Bruno"));
    // Loading went through the desk's Connect, which left KORDA's connection open.
    ASSERT_TRUE(w.ConnKORDA);
    EXPECT_EQ(w.ConnKORDA->State(), Connection::StateOpen);

    // The main window stays usable while both lists are open.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(w.isEnabled());
    QTest::keyClicks(w.ui().FXNo_TAP, QStringLiteral("12"));
    EXPECT_EQ(w.ui().FXNo_TAP->text(), QStringLiteral("12"));

    // Closing one list deletes it and leaves the other.
    QPointer<frmMainVIPs> first = lists[0];
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(w.findChildren<frmMainVIPs *>(Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

} // namespace

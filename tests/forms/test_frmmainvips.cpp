#include "forms/frmmainvips.h"
#include "platform/msgbox.h"
#include "tests/forms/vipdatabases.h"
#include "tests/support/testsupport.h"
#include "ui/artwork.h"
#include "ui/organisations.h"
#include "ui/twipsgeometry.h"

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QStringList rowTexts(const frmMainVIPs &w, int row)
{
    const QTreeWidgetItem *item = w.ListView1()->topLevelItem(row);
    if (!item)
        return {};
    return {item->text(0), item->text(1), item->text(2)};
}

class frmMainVIPsTest : public ::testing::Test
{
protected:
    void SetUp() override { TestSupport::clearErrorReports(); }

    VipDatabases db;
    EmbeddedVipSource source{db.kordaConnectionString()};
    TestSupport::MsgBoxRecorder boxes;
};

TEST_F(frmMainVIPsTest, WindowCaptionBorderSizeAndControls)
{
    QWidget owner;
    owner.setGeometry(100, 80, 1000, 700);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));

    QPointer<frmMainVIPs> w = new frmMainVIPs(&owner);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("VIPs"));
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(w->parentWidget(), &owner);
    EXPECT_EQ(w->windowType(), Qt::Dialog);
    const Qt::WindowFlags flags = w->windowFlags();
    EXPECT_TRUE(flags & Qt::MSWindowsFixedSizeDialogHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    // 11910 x 7845 twips at 15 twips per pixel, and no other size allowed.
    EXPECT_EQ(w->size(), QSize(794, 523));
    EXPECT_EQ(w->minimumSize(), QSize(794, 523));
    EXPECT_EQ(w->maximumSize(), QSize(794, 523));

    // Header band over the body, with the main window's artwork and organisation names.
    EXPECT_EQ(w->Frame1()->geometry(), QRect(0, 0, 840, 70));
    EXPECT_EQ(w->Frame2()->geometry(), QRect(-3, 60, 811, 469));
    EXPECT_EQ(w->Frame2()->frameShape(), QFrame::Box);
    EXPECT_GT(w->children().indexOf(w->Frame1()), w->children().indexOf(w->Frame2()));
    EXPECT_EQ(w->Label1()->text(), QStringLiteral("Lista de Entradas VIPs"));
    EXPECT_TRUE(w->Label1()->font().bold());
    EXPECT_DOUBLE_EQ(w->Label1()->font().pointSizeF(), 9.75);
    EXPECT_EQ(w->Label2()->text(), Organisations::zelmarFullName());
    EXPECT_EQ(w->Label3()->text(), Organisations::kordaFullName());
    EXPECT_DOUBLE_EQ(w->Label3()->font().pointSizeF(), 9.0);
    EXPECT_EQ(w->Image1()->pixmap().size(), QSize(600, 70));
    EXPECT_FALSE(w->Image1()->hasScaledContents());
    EXPECT_EQ(w->Image1()->geometry(), QRect(-6, 0, 600, 70));
    EXPECT_EQ(w->Image2()->pixmap().size(), QSize(41, 70));
    EXPECT_TRUE(w->Image2()->hasScaledContents());
    // The labels lie above the pictures, the count above everything in the band.
    const QObjectList &band = w->Frame1()->children();
    for (QLabel *l : {w->Label1(), w->Label2(), w->Label3()}) {
        EXPECT_GT(band.indexOf(l), band.indexOf(w->Image1()));
        EXPECT_GT(band.indexOf(l), band.indexOf(w->Image2()));
        EXPECT_GT(band.indexOf(w->Label4()), band.indexOf(l));
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    QLabel *count = w->Label4();
    EXPECT_EQ(count->text(), QStringLiteral("0."));
    EXPECT_EQ(count->font().family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(count->font().pointSizeF(), 27.75);
    EXPECT_TRUE(count->font().bold());
    EXPECT_EQ(count->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_TRUE(count->alignment() & Qt::AlignRight);
    EXPECT_EQ(count->geometry(), QRect(528, 15, 248, 47));

    // The list in report view: three columns, no tree decoration, small icons from ImageList1.
    QTreeWidget *list = w->ListView1();
    EXPECT_EQ(list->parentWidget(), w->Frame2());
    EXPECT_EQ(list->geometry(), QRect(18, 30, 763, 418));
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_TRUE(list->uniformRowHeights());
    ASSERT_EQ(list->columnCount(), 3);
    const QTreeWidgetItem *header = list->headerItem();
    EXPECT_EQ(header->text(0), QStringLiteral("No Empresa"));
    EXPECT_EQ(header->text(1), QStringLiteral("Nome"));
    EXPECT_EQ(header->text(2), QStringLiteral("Data Hora"));
    EXPECT_EQ(list->columnWidth(0), 133);
    EXPECT_EQ(list->columnWidth(1), 400);
    EXPECT_EQ(list->columnWidth(2), 120);
    EXPECT_TRUE(header->textAlignment(2) & Qt::AlignHCenter);
    ASSERT_EQ(w->ImageList1().size(), 1);
    EXPECT_EQ(w->ImageList1().constFirst().size(), QSize(16, 16));

    // Shown: centred on its owner, and both windows stay usable.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_LE((w->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    // Nobody set Main: the window loaded nothing and shows the empty list.
    EXPECT_TRUE(w->loaded());
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(count->text(), QStringLiteral("0."));
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());

    // Closing deletes it.
    w->close();
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

TEST_F(frmMainVIPsTest, NoVipHasEnteredYet)
{
    db.invitation(1, "E1", "Ana", "2026-12-08 20:00:00"); // entered, not a VIP
    db.invitation(2, "V1", "Bruno");                      // a VIP who has not entered
    db.vip("V1");

    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    EXPECT_EQ(source.connects, 1);
    EXPECT_EQ(w.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("0."));
    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(frmMainVIPsTest, VipsWhoEnteredAreListedByNameWithTheirCount)
{
    db.invitation(10, "V10", "Carla Dias", "2026-12-08 21:40:05");
    db.invitation(11, "V11", "Artur Reis", "2026-12-08 20:15:00");
    db.invitation(12, "E12", "Beatriz Lopes", "2026-12-08 20:30:00"); // entered, not a VIP
    db.invitation(13, "V13", "Bruno Lima", "2026-12-08 09:05:30");
    db.invitation(14, "V14", "Daniel Sousa"); // a VIP still outside
    for (const char *v : {"V10", "V11", "V13", "V14", "V99"})
        db.vip(v);

    frmMainVIPs w;
    w.Main = &source;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.loaded());
    EXPECT_EQ(source.connects, 1);

    ASSERT_EQ(w.ListView1()->topLevelItemCount(), 3);
    EXPECT_EQ(rowTexts(w, 0), (QStringList{QStringLiteral("V11"), QStringLiteral("Artur Reis"),
                                           QStringLiteral("08-12-2026 20:15:00")}));
    EXPECT_EQ(rowTexts(w, 1), (QStringList{QStringLiteral("V13"), QStringLiteral("Bruno Lima"),
                                           QStringLiteral("08-12-2026 09:05:30")}));
    EXPECT_EQ(rowTexts(w, 2), (QStringList{QStringLiteral("V10"), QStringLiteral("Carla Dias"),
                                           QStringLiteral("08-12-2026 21:40:05")}));
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("3."));

    // Each row is found by its key and carries the small icon; the time is centred.
    EXPECT_EQ(w.ListItem(QStringLiteral("#13")), w.ListView1()->topLevelItem(1));
    EXPECT_EQ(w.ListItem(QStringLiteral("#12")), nullptr);
    EXPECT_EQ(w.ListItem(QStringLiteral("#14")), nullptr);
    const QTreeWidgetItem *first = w.ListView1()->topLevelItem(0);
    EXPECT_FALSE(first->icon(0).isNull());
    EXPECT_TRUE(first->textAlignment(2) & Qt::AlignHCenter);

    // The list is read once: showing the window again reads nothing.
    w.hide();
    w.show();
    EXPECT_EQ(source.connects, 1);
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(frmMainVIPsTest, CompanyNumbersJoinWhateverTheirCaseAndPaddingAndNamesSortAsTheServerSortsThem)
{
    db.invitation(30, "a124", "Ana", "2026-12-08 22:00:00");
    db.invitation(31, "A125 ", "álvaro", "2026-12-08 22:10:00");
    db.invitation(32, "A126", "alberto", "2026-12-08 22:20:00");
    for (const char *v : {"A124", "a125", "A126 "})
        db.vip(v);

    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    ASSERT_EQ(w.ListView1()->topLevelItemCount(), 3);
    EXPECT_EQ(rowTexts(w, 0).value(1), QStringLiteral("alberto"));
    EXPECT_EQ(rowTexts(w, 1).value(1), QStringLiteral("álvaro"));
    EXPECT_EQ(rowTexts(w, 2).value(1), QStringLiteral("Ana"));
    EXPECT_EQ(rowTexts(w, 1).value(0), QStringLiteral("A125 ")); // shown as the server sent it
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("3."));
}

TEST_F(frmMainVIPsTest, ACompanyNumberListedTwiceShowsItsInvitationOnce)
{
    db.invitation(20, "V20", "Rita", "2026-12-08 22:00:00");
    db.invitation(21, "V21", "Paulo", "2026-12-08 22:10:00");
    db.vip("V20");
    db.vip("V21");
    db.vip("V20");

    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    ASSERT_EQ(w.ListView1()->topLevelItemCount(), 2);
    EXPECT_EQ(rowTexts(w, 0).value(1), QStringLiteral("Paulo"));
    EXPECT_EQ(rowTexts(w, 1).value(1), QStringLiteral("Rita"));
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("2."));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(frmMainVIPsTest, AFailedConnectIsShownUnderTheWindowsCaption)
{
    db.invitation(30, "V30", "Rita", "2026-12-08 22:00:00");
    db.vip("V30");
    source.failure = QStringLiteral("Não foi possível ligar ao servidor da KORDA.");

    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].prompt, source.failure);
    EXPECT_EQ(boxes.boxes()[0].style, MsgBox::Information | MsgBox::OKOnly);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("VIPs"));
    EXPECT_EQ(w.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("0."));
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

TEST_F(frmMainVIPsTest, NothingIsReadWithoutAnOpenConnectionOrAMainWindow)
{
    db.invitation(40, "V40", "Rita", "2026-12-08 22:00:00");
    db.vip("V40");

    source.leaveClosed = true;
    frmMainVIPs closed;
    closed.Main = &source;
    closed.Form_Load();
    EXPECT_EQ(source.connects, 1);
    EXPECT_EQ(closed.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(closed.Label4()->text(), QStringLiteral("0."));

    frmMainVIPs orphan;
    orphan.Form_Load();
    EXPECT_TRUE(orphan.loaded());
    EXPECT_EQ(source.connects, 1);
    EXPECT_EQ(orphan.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(orphan.Label4()->text(), QStringLiteral("0."));

    EXPECT_TRUE(boxes.boxes().isEmpty());
    EXPECT_TRUE(TestSupport::errorReports().isEmpty());
}

// A KORDA connection that holds no object is a failure of the load: reported as error 91
// under "Form_Load", with the empty list and "0." on show.
TEST_F(frmMainVIPsTest, AnUnsetConnectionIsReportedUnderFormLoad)
{
    db.invitation(50, "V50", "Rita", "2026-12-08 22:00:00");
    db.vip("V50");
    source.leaveUnset = true;
    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    EXPECT_EQ(w.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("0."));
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("Form_Load"));
    EXPECT_EQ(reports[0].value(QStringLiteral("message")).toString(),
              QStringLiteral("Object variable or With block variable not set"));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(frmMainVIPsTest, AQueryErrorIsReportedUnderFormLoad)
{
    // A KORDA file without the VIP table: the server rejects the query.
    VipDatabases::run(db.kordaPath(), {"DROP TABLE tbConvites_VIPs"});
    frmMainVIPs w;
    w.Main = &source;
    w.Form_Load();
    EXPECT_EQ(w.ListView1()->topLevelItemCount(), 0);
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("0."));
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("frmMainVIPs"));
    EXPECT_EQ(reports[0].value(QStringLiteral("procedure")).toString(), QStringLiteral("Form_Load"));
    EXPECT_TRUE(reports[0].value(QStringLiteral("message")).toString().contains(QStringLiteral("tbConvites_VIPs")));
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(frmMainVIPsTest, RowsCannotBeEditedInPlace)
{
    db.invitation(50, "V50", "Rita", "2026-12-08 22:00:00");
    db.invitation(51, "V51", "Paulo", "2026-12-08 22:10:00");
    db.vip("V50");
    db.vip("V51");

    frmMainVIPs w;
    w.Main = &source;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTreeWidget *list = w.ListView1();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);

    QTreeWidgetItem *item = list->topLevelItem(0);
    const QPoint centre = list->visualItemRect(item).center();
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_EQ(list->currentItem(), item);
    ASSERT_TRUE(item->isSelected());
    // A second click on the selected row, after the double-click interval has passed.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    // No editor was opened: the focus stays on the list itself.
    EXPECT_TRUE(list->viewport()->findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), list);

    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_TRUE(list->viewport()->findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), list);
    QTest::keyClicks(list, QStringLiteral("XYZ"));
    QTest::keyClick(list, Qt::Key_Return);

    // Even a direct request for an editor is refused: the rows are not editable.
    list->editItem(item, 0);
    EXPECT_TRUE(list->viewport()->findChildren<QLineEdit *>().isEmpty());
    EXPECT_FALSE(item->flags() & Qt::ItemIsEditable);

    EXPECT_EQ(rowTexts(w, 0),
              (QStringList{QStringLiteral("V51"), QStringLiteral("Paulo"), QStringLiteral("08-12-2026 22:10:00")}));
    EXPECT_EQ(w.Label4()->text(), QStringLiteral("2."));
}

} // namespace

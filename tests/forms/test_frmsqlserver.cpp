// The SQL server dialog on the offscreen platform: its design, its buttons, the two-step
// close, and the adapter the connection test drives it through.
#include "forms/frmsqlserver.h"
#include "forms/sqlserverdialog.h"
#include "platform/runtimeerror.h"
#include "tests/support/testsupport.h"
#include "ui/twipsgeometry.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(frmSQLServer, DesignTextsAndGeometryInTwips)
{
    frmSQLServer form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Ligação ao Servidor de Dados (SQL)"));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_FALSE(form.TryAgain);

    // 6225 x 2070 twips of client area, fixed, at 15 twips per pixel.
    ASSERT_DOUBLE_EQ(TwipsGeometry::twipsPerPixelX(&form), 15.0);
    EXPECT_EQ(form.size(), QSize(415, 138));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((form.geometry().center() - screen.center()).manhattanLength(), 2);

    struct Expected
    {
        QWidget *widget;
        TwipsRect rect;
    };
    for (const Expected &e :
         {Expected{form.Image1(), {270, 270, 1005, 1050}}, Expected{form.Label1(), {1305, 225, 3885, 240}},
          Expected{form.Label2(0), {1305, 540, 4335, 240}}, Expected{form.Label2(1), {1305, 810, 4335, 600}},
          Expected{form.Command1(), {4185, 1530, 1950, 420}}, Expected{form.Command2(), {2610, 1530, 1545, 420}}}) {
        EXPECT_EQ(TwipsGeometry::twipsRect(e.widget), e.rect) << qPrintable(e.widget->objectName());
        EXPECT_EQ(e.widget->geometry(), TwipsGeometry::toPixels(e.rect, &form)) << qPrintable(e.widget->objectName());
    }

    EXPECT_EQ(form.Label1()->text(), QStringLiteral("Problemas na ligação ao servidor de dados."));
    EXPECT_TRUE(form.Label1()->font().bold());
    EXPECT_DOUBLE_EQ(form.Label1()->font().pointSizeF(), 8.25);
    EXPECT_EQ(form.Label2(0)->text(), QStringLiteral("Possivelmente o servidor SQL está desligado ou inacessível."));
    EXPECT_EQ(form.Label2(1)->text(),
              QStringLiteral("Certifique-se de que o respectivo servidor está ligado, e depois tente forçar a ligação "
                             "carregando em 'Ligar ao servidor SQL'."));
    EXPECT_TRUE(form.Label2(1)->wordWrap());
    EXPECT_FALSE(form.Label2(0)->font().bold());
    EXPECT_EQ(form.Command1()->text(), QStringLiteral("&Ligar ao servidor SQL"));
    EXPECT_EQ(form.Command2()->text(), QStringLiteral("&Sair"));
    EXPECT_EQ(form.Image1()->pixmap().size(), QSize(51, 51));
}

TEST(frmSQLServer, ButtonsHideTheWindowAndRecordTheChoice)
{
    QPointer<frmSQLServer> form = new frmSQLServer;
    form->show();
    form->Command1()->click();
    EXPECT_FALSE(form->Command1()->isEnabled());
    EXPECT_TRUE(form->TryAgain);
    EXPECT_FALSE(form->isVisible());
    processDeferredDeletes();
    ASSERT_FALSE(form.isNull()); // hidden, still loaded

    form->Command1()->setEnabled(true);
    form->show();
    form->Command2()->click();
    EXPECT_FALSE(form->TryAgain);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->Command1()->isEnabled());
    processDeferredDeletes();
    ASSERT_FALSE(form.isNull());
    delete form.data();
}

TEST(frmSQLServer, FirstCloseHidesAndSecondUnloads)
{
    QPointer<frmSQLServer> form = new frmSQLServer;
    form->TryAgain = true;
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->TryAgain);
    processDeferredDeletes();
    ASSERT_FALSE(form.isNull());

    form->close();
    processDeferredDeletes();
    EXPECT_TRUE(form.isNull());
}

TEST(SqlServerDialog, DrivesTheRealWindow)
{
    auto dialog = std::make_unique<SqlServerDialog>();
    QPointer<frmSQLServer> form = dialog->form();
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(dialog->Visible());
    dialog->Show();
    dialog->Refresh();
    EXPECT_TRUE(dialog->Visible());
    EXPECT_TRUE(form->isVisible());
    dialog->setCommand1Enabled(false);
    EXPECT_FALSE(form->Command1()->isEnabled());
    dialog->setCommand1Enabled(true);
    EXPECT_TRUE(form->Command1()->isEnabled());

    dialog->Close();
    EXPECT_FALSE(dialog->Visible());
    processDeferredDeletes();
    ASSERT_FALSE(form.isNull());
    dialog->Close();
    processDeferredDeletes();
    EXPECT_TRUE(form.isNull());

    // The window is gone: every call is refused like a call on an unloaded object.
    for (const auto &call : std::initializer_list<std::function<void()>>{
             [&] { dialog->Show(); }, [&] { dialog->Visible(); }, [&] { dialog->Close(); }}) {
        try {
            call();
            ADD_FAILURE() << "a call on the unloaded window went through";
        } catch (const RuntimeError &e) {
            EXPECT_EQ(e.number(), ErrorNumber::ObjectRequired);
        }
    }
}

TEST(SqlServerDialog, AWindowStillLoadedGoesWithTheAdapter)
{
    auto dialog = std::make_unique<SqlServerDialog>();
    QPointer<frmSQLServer> form = dialog->form();
    dialog->Show();
    dialog.reset();
    EXPECT_TRUE(form.isNull());
}

} // namespace

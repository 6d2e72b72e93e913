#include "platform/msgbox.h"
#include "ui/msgboxhandler.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Seen
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString title;
    QList<QMessageBox::StandardButton> buttons;
};

// Answers the next box shown by pressing the given button, and records what it looked like.
void pressWhenShown(QMessageBox::StandardButton button, Seen *seen)
{
    QTimer::singleShot(0, [button, seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            pressWhenShown(button, seen);
            return;
        }
        seen->icon = box->icon();
        seen->text = box->text();
        seen->title = box->windowTitle();
        for (QAbstractButton *b : box->buttons())
            seen->buttons.append(box->standardButton(b));
        box->button(button)->click();
    });
}

class MsgBoxHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override { MsgBoxHandler::install(); }
    void TearDown() override { MsgBox::setHandler(nullptr); }
};

TEST_F(MsgBoxHandlerTest, QuestionShowsYesAndNoAndAnswersThePressedOne)
{
    Seen seen;
    pressWhenShown(QMessageBox::Yes, &seen);
    EXPECT_EQ(MsgBox::show(QStringLiteral("Anular a entrada?"), MsgBox::YesNo | MsgBox::Question,
                           QStringLiteral("Convites")),
              MsgBox::Yes);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.text, QStringLiteral("Anular a entrada?"));
    EXPECT_EQ(seen.title, QStringLiteral("Convites"));
    EXPECT_EQ(seen.buttons.size(), 2);

    Seen again;
    pressWhenShown(QMessageBox::No, &again);
    EXPECT_EQ(MsgBox::show(QStringLiteral("Anular?"), MsgBox::YesNo, QString()), MsgBox::No);
    EXPECT_EQ(again.icon, QMessageBox::NoIcon);
    EXPECT_EQ(again.title, MsgBox::applicationTitle());
}

TEST_F(MsgBoxHandlerTest, PlainBoxesShowOkWithTheirIcon)
{
    const struct
    {
        int style;
        QMessageBox::Icon icon;
    } cases[] = {{MsgBox::Critical, QMessageBox::Critical},
                 {MsgBox::Exclamation, QMessageBox::Warning},
                 {MsgBox::Information, QMessageBox::Information}};
    for (const auto &c : cases) {
        Seen seen;
        pressWhenShown(QMessageBox::Ok, &seen);
        EXPECT_EQ(MsgBox::show(QStringLiteral("Sem ligação ao servidor."), c.style, QStringLiteral("t")), MsgBox::OK);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    }
}

} // namespace

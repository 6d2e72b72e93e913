#include "platform/msgbox.h"
#include "ui/msgboxhandler.h"
#include "ui/qttranslations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <memory>

#include <gtest/gtest.h>

namespace {

struct Seen
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString title;
    QList<QMessageBox::StandardButton> buttons;
    QStringList texts;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
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
        for (QAbstractButton *b : box->buttons()) {
            seen->buttons.append(box->standardButton(b));
            seen->texts.append(b->text().remove(QLatin1Char('&')));
            if (auto *push = qobject_cast<QPushButton *>(b); push && push->isDefault())
                seen->defaultButton = box->standardButton(b);
        }
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
    EXPECT_EQ(
        MsgBox::show(QStringLiteral("Anular a entrada?"), MsgBox::YesNo | MsgBox::Question, QStringLiteral("Convites")),
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

    // The second button as the default: Enter takes No.
    Seen careful;
    pressWhenShown(QMessageBox::No, &careful);
    EXPECT_EQ(MsgBox::show(QStringLiteral("Continuar?"), MsgBox::YesNo | MsgBox::DefaultButton2, QString()),
              MsgBox::No);
    EXPECT_EQ(careful.defaultButton, QMessageBox::No);
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

// Qt's own texts are Portuguese whatever the machine's language: the buttons of the boxes,
// the standard buttons of dialogs and the entry box's context menu. Default button and
// icons stay as they are.
TEST_F(MsgBoxHandlerTest, QtsOwnTextsArePortugueseOnceTheTranslationsAreInstalled)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QList<QTranslator *> installed = QtTranslations::installPortuguese();
    ASSERT_FALSE(installed.isEmpty());

    Seen question;
    pressWhenShown(QMessageBox::No, &question);
    EXPECT_EQ(MsgBox::show(QStringLiteral("Anular?"), MsgBox::YesNo | MsgBox::Question, QStringLiteral("t")),
              MsgBox::No);
    EXPECT_EQ(question.texts, (QStringList{QStringLiteral("Sim"), QStringLiteral("Não")}));
    EXPECT_EQ(question.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    Seen info;
    pressWhenShown(QMessageBox::Ok, &info);
    MsgBox::show(QStringLiteral("Sem ligação."), MsgBox::Information, QStringLiteral("t"));
    EXPECT_EQ(info.texts, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(info.icon, QMessageBox::Information);

    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));

    QLineEdit entry(QStringLiteral("1001"));
    const std::unique_ptr<QMenu> menu(entry.createStandardContextMenu());
    QStringList items;
    for (const QAction *a : menu->actions())
        items << a->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    for (const char *item : {"Desfazer", "Copiar", "Colar"})
        EXPECT_TRUE(items.contains(QLatin1String(item)))
            << item << " in " << items.join(QLatin1Char('|')).toStdString();

    for (QTranslator *t : installed)
        QCoreApplication::removeTranslator(t);
    QLocale::setDefault(QLocale::system());
}

} // namespace

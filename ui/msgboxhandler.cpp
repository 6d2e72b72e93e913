#include "ui/msgboxhandler.h"

#include "platform/msgbox.h"

#include <QApplication>
#include <QMessageBox>

namespace MsgBoxHandler {
namespace {

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case MsgBox::Critical: return QMessageBox::Critical;
    case MsgBox::Question: return QMessageBox::Question;
    case MsgBox::Exclamation: return QMessageBox::Warning;
    case MsgBox::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

bool isYesNo(int style)
{
    return (style & 7) == MsgBox::YesNo;
}

int answerFor(int style, bool yesPressed)
{
    if (isYesNo(style))
        return yesPressed ? MsgBox::Yes : MsgBox::No;
    return MsgBox::OK;
}

int showBox(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(iconFor(style), title.isEmpty() ? MsgBox::applicationTitle() : title, prompt,
                    isYesNo(style) ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    QApplication::activeWindow());
    if (isYesNo(style))
        box.setEscapeButton(QMessageBox::No);
    if (isYesNo(style) && (style & MsgBox::DefaultButton2))
        box.setDefaultButton(QMessageBox::No);
    const int pressed = box.exec();
    return answerFor(style, pressed == QMessageBox::Yes);
}

} // namespace

void install()
{
    MsgBox::setHandler(showBox);
}

} // namespace MsgBoxHandler

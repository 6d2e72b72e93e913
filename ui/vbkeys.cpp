#include "ui/vbkeys.h"

#include <QKeyEvent>

namespace VbKeys {

int16_t keyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return int16_t(modifiers.testFlag(Qt::KeypadModifier) ? 96 + (qtKey - Qt::Key_0) : qtKey);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return int16_t(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return int16_t(112 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return KeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return KeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return KeyReturn;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return KeyEscape;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return KeyDelete;
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return modifiers.testFlag(Qt::KeypadModifier) ? 107 : 187;
    case Qt::Key_Minus: return modifiers.testFlag(Qt::KeypadModifier) ? 109 : 189;
    case Qt::Key_Period: return modifiers.testFlag(Qt::KeypadModifier) ? 110 : 190;
    case Qt::Key_Slash: return modifiers.testFlag(Qt::KeypadModifier) ? 111 : 191;
    case Qt::Key_Comma: return 188;
    default: return 0;
    }
}

int16_t shiftState(Qt::KeyboardModifiers modifiers)
{
    int16_t state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= ShiftMask;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= CtrlMask;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= AltMask;
    return state;
}

int16_t keyCode(const QKeyEvent *event)
{
    return keyCode(event->key(), event->modifiers());
}

int16_t shiftState(const QKeyEvent *event)
{
    return shiftState(event->modifiers());
}

} // namespace VbKeys

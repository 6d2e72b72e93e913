#pragma once

#include <Qt>

#include <cstdint>

class QKeyEvent;

// Key codes and shift state as the desk's key handlers expect them: the Windows virtual-key
// codes (13 Enter, 27 Esc, 65..90 letters, 48..57 digits, 96..105 keypad digits) and a
// shift mask of 1 Shift, 2 Ctrl, 4 Alt. A key without a code gives 0.
namespace VbKeys {

constexpr int16_t KeyBack = 8;
constexpr int16_t KeyTab = 9;
constexpr int16_t KeyReturn = 13;
constexpr int16_t KeyEscape = 27;
constexpr int16_t KeyDelete = 46;

constexpr int16_t ShiftMask = 1;
constexpr int16_t CtrlMask = 2;
constexpr int16_t AltMask = 4;

int16_t keyCode(int qtKey, Qt::KeyboardModifiers modifiers);
int16_t shiftState(Qt::KeyboardModifiers modifiers);

int16_t keyCode(const QKeyEvent *event);
int16_t shiftState(const QKeyEvent *event);

} // namespace VbKeys

#pragma once

#include <QString>
#include <QVariant>

class QWidget;

// Generic property access for the control helpers: the kind of a control, its Text, its
// selection, and the List / ItemData / ListIndex of combo and list boxes, over the Qt
// widgets that stand for the forms' controls:
//   text box = QLineEdit (not a MaskedEdit); combo box = QComboBox (editable: style 0,
//   not editable: style 2) or SimpleCombo (style 1); date control = QDateTimeEdit and
//   QDateEdit; masked edit box = MaskedEdit; option button and check box = QRadioButton
//   and QCheckBox; label = QLabel; list box = QListWidget.
// A property the control lacks raises RuntimeError 438, a read-only one 383, and a null
// control 424, as the runtime would.
namespace ControlAccess {

enum class Kind { TextBox, ComboBox, DateControl, MaskedEdit, OptionOrCheck, Label, ListBox, Other };

// Tested in the order of the enumeration.
Kind kindOf(const QWidget *control);
// 0 drop-down combo, 1 simple combo, 2 drop-down list; -1 for other controls.
int comboStyle(const QWidget *control);

QString text(const QWidget *control);
void setText(QWidget *control, const QString &text);
// SelStart = 0, SelLength = the length of the text.
void selectAll(QWidget *control);

// Combo and list boxes. Items without item data count as item data 0.
int listCount(const QWidget *control);
QString listText(const QWidget *control, int index);
double itemData(const QWidget *control, int index);
int listIndex(const QWidget *control);
void setListIndex(QWidget *control, int index);

// Option buttons and check boxes: 0 or 1.
void setButtonValue(QWidget *control, int value);

[[noreturn]] void raiseUnsupported();
void requireControl(const QWidget *control);

} // namespace ControlAccess

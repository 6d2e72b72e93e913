#include "ui/controlaccess.h"

#include "platform/runtimeerror.h"
#include "ui/maskededit.h"
#include "ui/simplecombo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace {

constexpr int32_t PropertyIsReadOnly = 383;
constexpr int32_t PropertyOrMethodUnsupported = 438;

QLineEdit *editOf(QWidget *control)
{
    if (auto *line = qobject_cast<QLineEdit *>(control))
        return line;
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (auto *simple = qobject_cast<SimpleCombo *>(control))
        return simple->lineEdit();
    return nullptr;
}

} // namespace

void ControlAccess::raiseUnsupported()
{
    throw RuntimeError(PropertyOrMethodUnsupported, QStringLiteral("Object doesn't support this property or method"));
}

void ControlAccess::requireControl(const QWidget *control)
{
    if (!control)
        throw RuntimeError(ErrorNumber::ObjectRequired, QStringLiteral("Object required"));
}

ControlAccess::Kind ControlAccess::kindOf(const QWidget *control)
{
    requireControl(control);
    if (qobject_cast<const QLineEdit *>(control) && !qobject_cast<const MaskedEdit *>(control))
        return Kind::TextBox;
    if (qobject_cast<const QComboBox *>(control) || qobject_cast<const SimpleCombo *>(control))
        return Kind::ComboBox;
    if (qobject_cast<const QDateTimeEdit *>(control))
        return Kind::DateControl;
    if (qobject_cast<const MaskedEdit *>(control))
        return Kind::MaskedEdit;
    if (qobject_cast<const QRadioButton *>(control) || qobject_cast<const QCheckBox *>(control))
        return Kind::OptionOrCheck;
    if (qobject_cast<const QLabel *>(control))
        return Kind::Label;
    if (qobject_cast<const QListWidget *>(control))
        return Kind::ListBox;
    return Kind::Other;
}

int ControlAccess::comboStyle(const QWidget *control)
{
    if (qobject_cast<const SimpleCombo *>(control))
        return 1;
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->isEditable() ? 0 : 2;
    return -1;
}

QString ControlAccess::text(const QWidget *control)
{
    requireControl(control);
    if (auto *line = qobject_cast<const QLineEdit *>(control))
        return line->text();
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentText();
    if (auto *simple = qobject_cast<const SimpleCombo *>(control))
        return simple->text();
    raiseUnsupported();
}

void ControlAccess::setText(QWidget *control, const QString &text)
{
    requireControl(control);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && !combo->isEditable())
        throw RuntimeError(PropertyIsReadOnly, QStringLiteral("'Text' property is read-only"));
    QLineEdit *edit = editOf(control);
    if (!edit)
        raiseUnsupported();
    edit->setText(text);
}

void ControlAccess::selectAll(QWidget *control)
{
    requireControl(control);
    QLineEdit *edit = editOf(control);
    if (!edit)
        raiseUnsupported();
    edit->setSelection(0, int(edit->text().size()));
}

int ControlAccess::listCount(const QWidget *control)
{
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->count();
    if (auto *simple = qobject_cast<const SimpleCombo *>(control))
        return simple->count();
    if (auto *list = qobject_cast<const QListWidget *>(control))
        return list->count();
    raiseUnsupported();
}

QString ControlAccess::listText(const QWidget *control, int index)
{
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->itemText(index);
    if (auto *simple = qobject_cast<const SimpleCombo *>(control))
        return simple->itemText(index);
    if (auto *list = qobject_cast<const QListWidget *>(control))
        return list->item(index) ? list->item(index)->text() : QString();
    raiseUnsupported();
}

double ControlAccess::itemData(const QWidget *control, int index)
{
    QVariant data;
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        data = combo->itemData(index, Qt::UserRole);
    else if (auto *simple = qobject_cast<const SimpleCombo *>(control))
        data = simple->itemData(index);
    else if (auto *list = qobject_cast<const QListWidget *>(control))
        data = list->item(index) ? list->item(index)->data(Qt::UserRole) : QVariant();
    else
        raiseUnsupported();
    bool ok = false;
    const double d = data.toDouble(&ok);
    return ok ? d : 0;
}

int ControlAccess::listIndex(const QWidget *control)
{
    if (auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentIndex();
    if (auto *simple = qobject_cast<const SimpleCombo *>(control))
        return simple->currentIndex();
    if (auto *list = qobject_cast<const QListWidget *>(control))
        return list->currentRow();
    raiseUnsupported();
}

void ControlAccess::setListIndex(QWidget *control, int index)
{
    if (auto *combo = qobject_cast<QComboBox *>(control))
        combo->setCurrentIndex(index);
    else if (auto *simple = qobject_cast<SimpleCombo *>(control))
        simple->setCurrentIndex(index);
    else if (auto *list = qobject_cast<QListWidget *>(control))
        list->setCurrentRow(index);
    else
        raiseUnsupported();
}

void ControlAccess::setButtonValue(QWidget *control, int value)
{
    if (auto *check = qobject_cast<QCheckBox *>(control)) {
        check->setCheckState(value ? Qt::Checked : Qt::Unchecked);
        return;
    }
    auto *option = qobject_cast<QRadioButton *>(control);
    if (!option)
        raiseUnsupported();
    if (value || !option->isChecked()) {
        option->setChecked(value != 0);
        return;
    }
    // Qt keeps the checked button of an exclusive group checked; an option button set to 0
    // is cleared like the runtime does, leaving its group with no choice.
    QButtonGroup *group = option->group();
    const bool groupExclusive = group && group->exclusive();
    const bool autoExclusive = option->autoExclusive();
    if (groupExclusive)
        group->setExclusive(false);
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(autoExclusive);
    if (groupExclusive)
        group->setExclusive(true);
}

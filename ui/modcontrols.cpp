#include "ui/modcontrols.h"

#include "data/decimalnumber.h"
#include "data/displayformat.h"
#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"
#include "ui/controlaccess.h"
#include "ui/controltag.h"
#include "ui/maskededit.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QStringList>

using ControlAccess::Kind;

namespace {

// The display pattern of the codes that have one for numbers.
QString numberPattern(int32_t code)
{
    switch (code) {
    case 2: return QStringLiteral("#,##0.00;- #,##0.00");
    case 4: return QStringLiteral("€ #,##0.00;€ -#,##0.00");
    case 5: return QStringLiteral("0.00 %");
    case 7: return QStringLiteral("€ #,##0.000;€ -#,##0.000");
    case 8: return QStringLiteral("#,##0.000;- #,##0.000");
    case 10: return QStringLiteral("€ #,##0.0000;€ -#,##0.0000");
    default: return QString();
    }
}

bool isTagFormatCode(int32_t code)
{
    return code == 2 || code == 4 || code == 5 || code == 7 || code == 8 || code == 10;
}

void fillTextBox(QWidget *control, const Value &value, int32_t code)
{
    if (value.isNull()) {
        ControlAccess::setText(control, QString());
        setTag(control, QString());
        return;
    }
    switch (code) {
    case 0:
        if (value.isNumeric())
            setTag(control, value.toText());
        ControlAccess::setText(control, value.toText());
        break;
    case 1:
    case 9:
        setTag(control, QString());
        ControlAccess::setText(control, DisplayFormat::format(value, code == 1 ? DisplayFormat::dayPattern()
                                                                               : DisplayFormat::dayTimePattern()));
        break;
    case 3:
        setTag(control, QString());
        ControlAccess::setText(control, value.toText());
        break;
    case 6:
        setTag(control, value.toText());
        ControlAccess::setText(control, QString::number(value.toLong()));
        break;
    default:
        if (isTagFormatCode(code)) {
            setTag(control, value.toText());
            modControls::FormatControl(control, code);
        }
        break;
    }
}

// The first item whose ItemData (numeric values) or List text (other values) equals the value.
int matchingItem(const QWidget *control, const Value &value, bool byItemData)
{
    const int count = ControlAccess::listCount(control);
    if (byItemData) {
        const double wanted = value.toDouble();
        for (int i = 0; i < count; ++i)
            if (ControlAccess::itemData(control, i) == wanted)
                return i;
        return -1;
    }
    const QString wanted = value.toText();
    for (int i = 0; i < count; ++i)
        if (ControlAccess::listText(control, i) == wanted)
            return i;
    return -1;
}

void selectMatching(QWidget *control, const Value &value, bool byItemData)
{
    const int index = matchingItem(control, value, byItemData);
    if (index >= 0)
        ControlAccess::setListIndex(control, index);
}

void fillCombo(QWidget *control, const Value &value, int32_t code)
{
    int style = ControlAccess::comboStyle(control);
    if (style == 0 && code == 3)
        style = 1;
    if (style == 1) {
        if (value.isNull()) {
            ControlAccess::setText(control, QString());
            return;
        }
        ControlAccess::setText(control, value.toText());
        selectMatching(control, value, false);
        return;
    }
    if (value.isNull()) {
        if (style == 2)
            ControlAccess::setListIndex(control, -1);
        return;
    }
    selectMatching(control, value, value.isNumeric());
}

void fillMaskedEdit(MaskedEdit *edit, const Value &value, int32_t code)
{
    static const QStringList dateMasks = {
        QStringLiteral("##:##"),
        QStringLiteral("##-##-####"),
        QStringLiteral("##-##-##"),
        QStringLiteral("####-##-##"),
        QStringLiteral("##-##-#### ##:##"),
        QStringLiteral("##-##-#### ##:##:##"),
        QStringLiteral("####-##-## ##:##"),
        QStringLiteral("####-##-## ##:##:##"),
    };
    if ((code == 0 || code == 1 || code == 9) && dateMasks.contains(edit->mask())) {
        if (value.isNull()) {
            if (edit->text() != edit->emptyText())
                edit->setText(edit->emptyText());
        } else if (value.isDate()) {
            edit->setText(DisplayFormat::format(value, edit->format()));
        } else {
            edit->setText(value.toText());
        }
        return;
    }
    if (code != 10)
        fillTextBox(edit, value, code);
}

void fillLabel(QLabel *label, const Value &value, int32_t code)
{
    // Database texts are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    if (value.isNull()) {
        label->setText(QString());
        setTag(label, QString());
        return;
    }
    switch (code) {
    case 0:
        if (value.isNumeric())
            setTag(label, value.toText());
        label->setText(value.toText());
        break;
    case 1:
    case 9:
        setTag(label, QString());
        label->setText(
            DisplayFormat::format(value, code == 1 ? DisplayFormat::dayPattern() : DisplayFormat::dayTimePattern()));
        break;
    case 3:
        setTag(label, QString());
        label->setText(value.toText());
        break;
    case 6:
        setTag(label, value.toText());
        label->setText(value.isNumeric() ? QString::number(value.toLong()) : value.toText());
        break;
    case 2:
    case 4:
    case 5:
    case 7:
    case 8:
        setTag(label, value.toText());
        label->setText(DisplayFormat::format(Value(Tag(label)), numberPattern(code)));
        break;
    default: break;
    }
}

void clearField(QWidget *control)
{
    setTag(control, QString());
    ControlAccess::setText(control, QString());
}

// The Tag rounded to `decimals` places, a half going to the even digit, as the value's text.
QString roundedTag(const QString &tag, int decimals)
{
    DecimalNumber n;
    if (!DecimalNumber::parse(tag, LocaleInfo::decimalSeparator(), LocaleInfo::thousandsSeparator(), &n))
        throw RuntimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
    return Value(n.rounded(decimals, DecimalNumber::Rounding::HalfEven).toDouble()).toText();
}

} // namespace

void modControls::FillControl(QWidget *control, const Value &value, int32_t code)
{
    switch (ControlAccess::kindOf(control)) {
    case Kind::TextBox: fillTextBox(control, value, code); break;
    case Kind::ComboBox: fillCombo(control, value, code); break;
    case Kind::DateControl: {
        auto *edit = static_cast<QDateTimeEdit *>(control);
        if (value.isNull() || !value.isDate())
            edit->setDateTime(QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
        else
            edit->setDateTime(value.toDateTime());
        break;
    }
    case Kind::MaskedEdit: fillMaskedEdit(static_cast<MaskedEdit *>(control), value, code); break;
    case Kind::OptionOrCheck: {
        const bool on = !value.isNull() && value.isNumeric() && value.toLong() != 0;
        ControlAccess::setButtonValue(control, on ? 1 : 0);
        break;
    }
    case Kind::Label: fillLabel(static_cast<QLabel *>(control), value, code); break;
    case Kind::ListBox:
        if (value.isNull() || !value.isNumeric())
            ControlAccess::setListIndex(control, -1);
        else
            selectMatching(control, value, true);
        break;
    case Kind::Other: break;
    }
}

void modControls::FormatControl(QWidget *control, int32_t code)
{
    ControlAccess::requireControl(control);
    const QString tag = Tag(control);
    if (tag.isEmpty())
        return;
    if (isTagFormatCode(code))
        ControlAccess::setText(control, DisplayFormat::format(Value(tag), numberPattern(code)));
    else if (code == 6)
        ControlAccess::setText(control, tag);
}

void modControls::EditControl(QWidget *control, int32_t code)
{
    ControlAccess::requireControl(control);
    const QString tag = Tag(control);
    switch (code) {
    case 1: {
        const Kind kind = ControlAccess::kindOf(control);
        if (kind == Kind::TextBox || kind == Kind::MaskedEdit)
            ControlAccess::selectAll(control);
        return;
    }
    case 3: ControlAccess::selectAll(control); return;
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 10: break;
    default: return;
    }
    if (tag.isEmpty()) {
        clearField(control);
        return;
    }
    QString text;
    if (code == 2 || code == 4) {
        text = tag;
    } else if (code == 5) {
        text = Value(Value(tag).toSingle() * 100.0f).toText();
    } else if (code == 6) {
        text = QString::number(Value(tag).toLong());
        setTag(control, text);
    } else {
        text = roundedTag(tag, code == 10 ? 4 : 3);
    }
    ControlAccess::setText(control, text);
    ControlAccess::selectAll(control);
}

#include "platform/localeinfo.h"
#include "platform/runtimeerror.h"
#include "ui/controltag.h"
#include "ui/maskededit.h"
#include "ui/modcontrols.h"
#include "ui/simplecombo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

using modControls::EditControl;
using modControls::FillControl;
using modControls::FormatControl;

int32_t errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

bool wholeTextSelected(const QLineEdit &e)
{
    return e.selectionStart() == 0 && e.selectedText() == e.text() && !e.text().isEmpty();
}

// A Portuguese desk: "," decimal, "." thousands. Controls live in one real window.
class ModControlsTest : public ::testing::Test
{
protected:
    void SetUp() override { LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral(".")); }
    void TearDown() override { LocaleInfo::clearOverride(); }

    QWidget window;
};

TEST_F(ModControlsTest, NumericTextBoxKeepsTheRawValueInTagAndShowsThePattern)
{
    QLineEdit box(&window);
    FillControl(&box, 1234.5, 2);
    EXPECT_EQ(box.text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(Tag(&box), QStringLiteral("1234,5"));
    EditControl(&box, 2);
    EXPECT_EQ(box.text(), QStringLiteral("1234,5"));
    EXPECT_TRUE(wholeTextSelected(box));
    FormatControl(&box, 2);
    EXPECT_EQ(box.text(), QStringLiteral("1.234,50"));

    FillControl(&box, 0.25, 5);
    EXPECT_EQ(box.text(), QStringLiteral("25,00 %"));
    EditControl(&box, 5);
    EXPECT_EQ(box.text(), QStringLiteral("25"));

    FillControl(&box, -1234.5, 4);
    EXPECT_EQ(box.text(), QStringLiteral("€ -1.234,50"));
    FillControl(&box, Value::null(), 4);
    EXPECT_EQ(box.text(), QString());
    EXPECT_EQ(Tag(&box), QString());

    box.setText(QStringLiteral("antigo"));
    EditControl(&box, 2); // empty Tag: the field is emptied
    EXPECT_EQ(box.text(), QString());
}

// Fill -> Edit -> Format gives back the display, and the edit text reads back as the Tag's number.
TEST_F(ModControlsTest, FillEditFormatRoundTripIsExact)
{
    const Value values[] = {Value(2.675),        Value(-1234.5678), Value(0.1 + 0.2), Value(1234567.891),
                            Value(int32_t(-42)), Value(0.25f),      Value(1e-5),      Value("9876,54321")};
    QLineEdit box(&window);
    for (int32_t code : {2, 4, 5, 6, 7, 8, 10}) {
        for (const Value &v : values) {
            SCOPED_TRACE(testing::Message() << "code " << code << " value " << v.toText().toStdString());
            FillControl(&box, v, code);
            const QString shown = box.text();
            const QString raw = Tag(&box);
            EXPECT_DOUBLE_EQ(Value(raw).toDouble(), Value(v.toText()).toDouble());
            EditControl(&box, code);
            EXPECT_TRUE(box.text() == QStringLiteral("0") || wholeTextSelected(box));
            const double edited = Value(box.text()).toDouble();
            if (code == 2 || code == 4)
                EXPECT_EQ(box.text(), raw);
            else if (code == 5)
                EXPECT_NEAR(edited, Value(raw).toDouble() * 100, 1e-4 * std::max(1.0, std::abs(edited)));
            else if (code == 6)
                EXPECT_EQ(box.text(), QString::number(Value(raw).toLong()));
            else
                EXPECT_NEAR(edited, Value(raw).toDouble(), code == 10 ? 0.00005 : 0.0005);
            FormatControl(&box, code);
            if (code == 6)
                EXPECT_EQ(box.text(), Tag(&box));
            else
                EXPECT_EQ(box.text(), shown);
        }
    }
}

TEST_F(ModControlsTest, EditRoundsHalvesToEvenAndWholeNumbersToo)
{
    QLineEdit box(&window);
    const struct
    {
        const char *tag;
        int32_t code;
        const char *text;
    } cases[] = {
        {"2,0005", 7, "2"},       {"2,0015", 8, "2,002"},    {"2,00151", 7, "2,002"},
        {"-1,2345", 8, "-1,234"}, {"1,23445", 10, "1,2344"}, {"1,23455", 10, "1,2346"},
        {"1234,5", 6, "1234"},    {"1235,5", 6, "1236"},     {"2,675", 7, "2,675"},
    };
    for (const auto &c : cases) {
        setTag(&box, QString::fromUtf8(c.tag));
        EditControl(&box, c.code);
        EXPECT_EQ(box.text(), QString::fromUtf8(c.text)) << c.tag << " code " << c.code;
    }
    FillControl(&box, 1234.5, 6);
    EXPECT_EQ(box.text(), QStringLiteral("1234"));
    EXPECT_EQ(Tag(&box), QStringLiteral("1234,5"));
    EditControl(&box, 6);
    EXPECT_EQ(Tag(&box), QStringLiteral("1234"));
}

TEST_F(ModControlsTest, TextBoxGeneralDateAndTextCodes)
{
    QLineEdit box(&window);
    const Value stamp = Value::date(QDate(2026, 12, 7), QTime(20, 5, 9));
    FillControl(&box, 12.5, 0);
    EXPECT_EQ(box.text(), QStringLiteral("12,5"));
    EXPECT_EQ(Tag(&box), QStringLiteral("12,5"));
    FillControl(&box, "Lisboa", 0); // not numeric: the Tag stays
    EXPECT_EQ(box.text(), QStringLiteral("Lisboa"));
    EXPECT_EQ(Tag(&box), QStringLiteral("12,5"));
    FillControl(&box, stamp, 1);
    EXPECT_EQ(box.text(), QStringLiteral("07-12-2026"));
    EXPECT_EQ(Tag(&box), QString());
    FillControl(&box, stamp, 9);
    EXPECT_EQ(box.text(), QStringLiteral("07-12-2026 20:05:09"));
    FillControl(&box, "  4711 ", 3);
    EXPECT_EQ(box.text(), QStringLiteral("  4711 "));
    FillControl(&box, "x", 11);
    EXPECT_EQ(box.text(), QStringLiteral("  4711 "));
}

TEST_F(ModControlsTest, EditControlCodeThreeSelectsTheWholeEntry)
{
    QLineEdit entry(&window);
    entry.setObjectName(QStringLiteral("FXNo_TAP"));
    entry.setText(QStringLiteral("000123"));
    entry.setCursorPosition(3);
    EditControl(&entry, 3);
    EXPECT_TRUE(wholeTextSelected(entry));
    EXPECT_EQ(entry.text(), QStringLiteral("000123"));
    entry.deselect();
    EditControl(&entry, 1);
    EXPECT_TRUE(wholeTextSelected(entry));
    entry.deselect();
    EditControl(&entry, 9);
    EXPECT_FALSE(entry.hasSelectedText());

    QLabel label(QStringLiteral("x"), &window);
    EditControl(&label, 1); // text boxes and masked edit boxes only
    EXPECT_EQ(errorOf([&] { EditControl(&label, 3); }), 438);
}

TEST_F(ModControlsTest, LabelsShowCaptionsAndKeepNumbersInTag)
{
    QLabel label(&window);
    FillControl(&label, "Lisboa", 3);
    EXPECT_EQ(label.text(), QStringLiteral("Lisboa"));
    EXPECT_EQ(Tag(&label), QString());
    FillControl(&label, Value::null(), 3);
    EXPECT_EQ(label.text(), QString());
    FillControl(&label, 1234.5, 2);
    EXPECT_EQ(label.text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(Tag(&label), QStringLiteral("1234,5"));
    FillControl(&label, 2.5, 10); // code 10 does nothing on labels
    EXPECT_EQ(label.text(), QStringLiteral("1.234,50"));
    FillControl(&label, "Rua", 6);
    EXPECT_EQ(label.text(), QStringLiteral("Rua"));
    FillControl(&label, 2.5, 6);
    EXPECT_EQ(label.text(), QStringLiteral("2"));
    FillControl(&label, "<b>Ana</b>", 3);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    setTag(&label, QStringLiteral("1,5"));
    EXPECT_EQ(errorOf([&] { FormatControl(&label, 2); }), 438); // a label has no Text
}

TEST_F(ModControlsTest, CombosSelectByItemDataOrTextAndKeepTheSelectionOnNoMatch)
{
    QComboBox list(&window); // style 2
    list.addItem(QStringLiteral("ZELMAR"), 1003);
    list.addItem(QStringLiteral("KORDA"), 1004);
    list.addItem(QStringLiteral("Outro"));
    list.setCurrentIndex(1);
    FillControl(&list, int32_t(999), 0);
    EXPECT_EQ(list.currentIndex(), 1);
    FillControl(&list, "1003", 0);
    EXPECT_EQ(list.currentIndex(), 0);
    FillControl(&list, "KORDA", 3);
    EXPECT_EQ(list.currentIndex(), 1);
    FillControl(&list, "nada", 3);
    EXPECT_EQ(list.currentIndex(), 1);
    FillControl(&list, int32_t(0), 0); // an item without data counts as 0
    EXPECT_EQ(list.currentIndex(), 2);
    FillControl(&list, Value::null(), 0);
    EXPECT_EQ(list.currentIndex(), -1);

    QComboBox dropDown(&window); // style 0
    dropDown.setEditable(true);
    dropDown.addItem(QStringLiteral("Lisboa"), 1);
    dropDown.addItem(QStringLiteral("Porto"), 2);
    dropDown.setCurrentIndex(1);
    FillControl(&dropDown, Value::null(), 2);
    EXPECT_EQ(dropDown.currentIndex(), 1);
    FillControl(&dropDown, int32_t(7), 2);
    EXPECT_EQ(dropDown.currentIndex(), 1);
    FillControl(&dropDown, "Faro", 3);
    EXPECT_EQ(dropDown.currentText(), QStringLiteral("Faro"));
    EXPECT_EQ(dropDown.currentIndex(), 1);
    FillControl(&dropDown, "Lisboa", 3);
    EXPECT_EQ(dropDown.currentIndex(), 0);
    FillControl(&dropDown, Value::null(), 3);
    EXPECT_EQ(dropDown.currentText(), QString());

    SimpleCombo simple(&window); // style 1
    simple.addItem(QStringLiteral("Lisboa"), 1);
    simple.addItem(QStringLiteral("Porto"), 2);
    simple.setCurrentIndex(0);
    FillControl(&simple, "Porto", 2);
    EXPECT_EQ(simple.currentIndex(), 1);
    FillControl(&simple, "Faro", 2);
    EXPECT_EQ(simple.text(), QStringLiteral("Faro"));
    EXPECT_EQ(simple.currentIndex(), 1);
    FillControl(&simple, Value::null(), 2);
    EXPECT_EQ(simple.text(), QString());
    EXPECT_EQ(simple.currentIndex(), 1);
}

TEST_F(ModControlsTest, DateControlsTakeDatesAndFallBackToTheFirstOf1900)
{
    QDateTimeEdit stamp(&window);
    QDateEdit day(&window);
    const QDateTime first1900(QDate(1900, 1, 1), QTime(0, 0));
    for (QDateTimeEdit *edit : {&stamp, static_cast<QDateTimeEdit *>(&day)}) {
        edit->setDateTime(QDateTime(QDate(2020, 5, 5), QTime(5, 5)));
        FillControl(edit, Value::null(), 1);
        EXPECT_EQ(edit->date(), first1900.date());
        FillControl(edit, Value::date(QDate(2026, 12, 7), QTime(8, 51, 44)), 1);
        EXPECT_EQ(edit->date(), QDate(2026, 12, 7));
        FillControl(edit, "abc", 1);
        EXPECT_EQ(edit->date(), first1900.date());
        FillControl(edit, "25-12-1999", 9);
        EXPECT_EQ(edit->date(), QDate(1999, 12, 25));
        FillControl(edit, int32_t(45000), 1);
        EXPECT_EQ(edit->date(), first1900.date());
    }
    FillControl(&stamp, "07-12-2026 08:51:44", 9);
    EXPECT_EQ(stamp.dateTime(), QDateTime(QDate(2026, 12, 7), QTime(8, 51, 44)));
}

TEST_F(ModControlsTest, MaskedEditBoxes)
{
    MaskedEdit edit(&window);
    const struct
    {
        const char *mask;
        QChar prompt;
        const char *empty;
    } masks[] = {
        {"##-##-####", QLatin1Char('_'), "__-__-____"},
        {"##:##", QLatin1Char('_'), "__:__"},
        {"####-##-## ##:##:##", QLatin1Char(' '), "    -  -     :  :  "},
        {"##-##-#### ##:##", QLatin1Char('0'), "00-00-0000 00:00"},
    };
    for (const auto &m : masks) {
        edit.setMask(QString::fromUtf8(m.mask));
        edit.setPromptChar(m.prompt);
        edit.setText(QStringLiteral("01-01-2000"));
        FillControl(&edit, Value::null(), 1);
        EXPECT_EQ(edit.text(), QString::fromUtf8(m.empty));
    }
    // Already empty: the text is not written again.
    edit.setMask(QStringLiteral("##-##-####"));
    edit.setPromptChar(QLatin1Char('_'));
    FillControl(&edit, Value::null(), 0);
    QSignalSpy changes(&edit, &QLineEdit::textChanged);
    FillControl(&edit, Value::null(), 9);
    EXPECT_EQ(changes.count(), 0);

    edit.setFormat(QStringLiteral("dd-mm-yyyy"));
    FillControl(&edit, Value::date(QDate(2026, 12, 7), QTime(8, 51)), 1);
    EXPECT_EQ(edit.text(), QStringLiteral("07-12-2026"));
    // "m" after an hour or before seconds is minutes; the named formats are the named ones.
    edit.setMask(QStringLiteral("##-##-#### ##:##:##"));
    const struct
    {
        const char *format;
        const char *shown;
    } formats[] = {
        {"hh:mm", "08:51"},
        {"dd-mm-yyyy hh:mm", "07-12-2026 08:51"},
        {"h:m:s", "8:51:4"},
        {"mm:ss", "51:04"},
        {"dd/mm hh\\hmm", "07/12 08h51"},
        {"General Date", "07-12-2026 08:51:04"},
        {"Long Date", "segunda-feira, 7 de dezembro de 2026"},
        {"Medium Date", "07-dez-26"},
        {"short date", "07-12-2026"},
        {"Long Time", "08:51:04"},
        {"Medium Time", "08:51 AM"},
        {"Short Time", "08:51"},
    };
    for (const auto &f : formats) {
        edit.setFormat(QString::fromUtf8(f.format));
        FillControl(&edit, Value::date(QDate(2026, 12, 7), QTime(8, 51, 4)), 9);
        EXPECT_EQ(edit.text(), QString::fromUtf8(f.shown)) << f.format;
    }
    edit.setFormat(QStringLiteral("General Date"));
    FillControl(&edit, Value::date(QDate(2026, 12, 7), QTime(0, 0)), 9);
    EXPECT_EQ(edit.text(), QStringLiteral("07-12-2026"));
    edit.setFormat(QStringLiteral("Medium Time"));
    FillControl(&edit, Value::date(QDate(1899, 12, 30), QTime(20, 5)), 9);
    EXPECT_EQ(edit.text(), QStringLiteral("08:05 PM"));
    edit.setMask(QStringLiteral("##-##-####"));
    edit.setFormat(QString());
    FillControl(&edit, "7/12/2026", 0);
    EXPECT_EQ(edit.text(), QStringLiteral("7/12/2026"));
    FillControl(&edit, "abc", 9);
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));

    // Another mask or code: a text box, except that code 10 does nothing.
    edit.setMask(QStringLiteral("#####"));
    FillControl(&edit, 1234.5, 2);
    EXPECT_EQ(edit.text(), QStringLiteral("1.234,50"));
    EXPECT_EQ(Tag(&edit), QStringLiteral("1234,5"));
    FillControl(&edit, 9.5, 10);
    EXPECT_EQ(edit.text(), QStringLiteral("1.234,50"));
    edit.setMask(QStringLiteral("##-##-####"));
    FillControl(&edit, 0.5, 5);
    EXPECT_EQ(edit.text(), QStringLiteral("50,00 %"));
    EditControl(&edit, 1);
    EXPECT_TRUE(wholeTextSelected(edit));
}

TEST_F(ModControlsTest, OptionButtonsAndCheckBoxesTakeZeroOrOne)
{
    QCheckBox check(&window);
    QRadioButton a(&window);
    QRadioButton b(&window);
    QButtonGroup group;
    group.addButton(&a);
    group.addButton(&b);
    const struct
    {
        Value value;
        bool on;
    } cases[] = {
        {Value(int32_t(5)), true}, {Value::null(), false}, {Value(true), true}, {Value("abc"), false},
        {Value("1"), true},        {Value(0.4), false},    {Value(0.6), true},  {Value(false), false},
    };
    for (const auto &c : cases) {
        FillControl(&check, c.value, 0);
        FillControl(&a, c.value, 0);
        EXPECT_EQ(check.checkState(), c.on ? Qt::Checked : Qt::Unchecked);
        EXPECT_EQ(a.isChecked(), c.on);
    }
    EXPECT_TRUE(group.exclusive());
}

TEST_F(ModControlsTest, ListBoxesSelectByItemData)
{
    QListWidget list(&window);
    for (int i = 0; i < 3; ++i) {
        auto *item = new QListWidgetItem(QStringLiteral("item %1").arg(i), &list);
        item->setData(Qt::UserRole, 10 * (i + 1));
    }
    FillControl(&list, int32_t(20), 0);
    EXPECT_EQ(list.currentRow(), 1);
    FillControl(&list, int32_t(99), 0);
    EXPECT_EQ(list.currentRow(), 1);
    FillControl(&list, "item 2", 3); // not numeric: nothing selected
    EXPECT_EQ(list.currentRow(), -1);
    FillControl(&list, "30", 0);
    EXPECT_EQ(list.currentRow(), 2);
    FillControl(&list, Value::null(), 0);
    EXPECT_EQ(list.currentRow(), -1);
}

TEST_F(ModControlsTest, FailuresReachTheCaller)
{
    QLineEdit box(&window);
    box.setText(QStringLiteral("antes"));
    EXPECT_EQ(errorOf([&] { FillControl(&box, "abc", 6); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf([&] { FillControl(&box, 1e12, 6); }), ErrorNumber::Overflow);
    setTag(&box, QStringLiteral("abc"));
    EXPECT_EQ(errorOf([&] { EditControl(&box, 7); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(errorOf([] { FillControl(nullptr, Value(1.0), 2); }), ErrorNumber::ObjectRequired);
    QComboBox list(&window);
    setTag(&list, QStringLiteral("1,5"));
    EXPECT_EQ(errorOf([&] { FormatControl(&list, 2); }), 383); // a drop-down list's text is read-only
    QWidget plain(&window);
    FillControl(&plain, Value(1.0), 2); // any other control: nothing
}

} // namespace

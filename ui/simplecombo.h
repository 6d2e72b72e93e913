#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

class QLineEdit;
class QListWidget;

// The simple combo box (style 1): an editable text line above a list that is always shown.
// Items carry a text and optional item data (Qt::UserRole); choosing an item, by click or
// by setCurrentIndex, puts its text in the line. Changing the text does not change the
// selection. The line and the list are child widgets owned by the combo.
class SimpleCombo : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)

public:
    explicit SimpleCombo(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);

    void addItem(const QString &text, const QVariant &data = QVariant());
    int count() const;
    QString itemText(int index) const;
    QVariant itemData(int index) const;
    // -1 when nothing is selected.
    int currentIndex() const;
    void setCurrentIndex(int index);

    QLineEdit *lineEdit() const { return m_edit; }
    QListWidget *listWidget() const { return m_list; }

private:
    QLineEdit *m_edit;
    QListWidget *m_list;
};

#include "ui/simplecombo.h"

#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

SimpleCombo::SimpleCombo(QWidget *parent) : QWidget(parent), m_edit(new QLineEdit(this)), m_list(new QListWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_edit);
    layout->addWidget(m_list);
    setFocusProxy(m_edit);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { m_edit->setText(item->text()); });
}

QString SimpleCombo::text() const
{
    return m_edit->text();
}

void SimpleCombo::setText(const QString &text)
{
    m_edit->setText(text);
}

void SimpleCombo::addItem(const QString &text, const QVariant &data)
{
    auto *item = new QListWidgetItem(text, m_list);
    if (data.isValid())
        item->setData(Qt::UserRole, data);
}

int SimpleCombo::count() const
{
    return m_list->count();
}

QString SimpleCombo::itemText(int index) const
{
    const QListWidgetItem *item = m_list->item(index);
    return item ? item->text() : QString();
}

QVariant SimpleCombo::itemData(int index) const
{
    const QListWidgetItem *item = m_list->item(index);
    return item ? item->data(Qt::UserRole) : QVariant();
}

int SimpleCombo::currentIndex() const
{
    return m_list->currentRow();
}

void SimpleCombo::setCurrentIndex(int index)
{
    m_list->setCurrentRow(index);
    if (const QListWidgetItem *item = m_list->item(index))
        m_edit->setText(item->text());
}

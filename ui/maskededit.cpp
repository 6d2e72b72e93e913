#include "ui/maskededit.h"

MaskedEdit::MaskedEdit(QWidget *parent) : QLineEdit(parent)
{
}

QString MaskedEdit::emptyText() const
{
    QString s = m_mask;
    s.replace(QLatin1Char('#'), m_promptChar);
    return s;
}

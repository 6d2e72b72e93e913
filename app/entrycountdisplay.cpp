#include "app/entrycountdisplay.h"

#include "data/dataenvironment.h"
#include "data/entrycounter.h"

#include <QLabel>
#include <QTimer>

EntryCountDisplay::EntryCountDisplay(QLabel *label, QObject *window)
    : QObject(window), m_counter(new EntryCounter(Data::SqlServerId, this))
{
    connect(m_counter, &EntryCounter::textChanged, label, &QLabel::setText);
    QTimer::singleShot(0, m_counter, &EntryCounter::start);
}

void EntryCountDisplay::adjust(int delta)
{
    m_counter->adjust(delta);
}

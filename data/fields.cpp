#include "data/fields.h"

#include "data/dberror.h"
#include "data/recordset.h"
#include "platform/runtimeerror.h"

QString Field::Name() const
{
    return m_recordset->fieldNames().at(m_index);
}

Value Field::Value() const
{
    return m_recordset->currentValue(m_index);
}

int Fields::Count() const
{
    return int(m_recordset->fieldNames().size());
}

Field Fields::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw RuntimeError(AdoError::ItemNotFound, AdoError::text(AdoError::ItemNotFound));
    return Field(m_recordset, index);
}

Field Fields::Item(const QString &name) const
{
    const QStringList &names = m_recordset->fieldNames();
    const QString wanted = name.trimmed();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return Field(m_recordset, i);
    throw RuntimeError(AdoError::ItemNotFound, AdoError::text(AdoError::ItemNotFound));
}

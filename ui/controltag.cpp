#include "ui/controltag.h"

#include <QObject>
#include <QVariant>

QString Tag(const QObject *control)
{
    return control->property("Tag").toString();
}

void setTag(QObject *control, const QString &tag)
{
    control->setProperty("Tag", tag);
}

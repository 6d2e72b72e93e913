#include "ui/controltag.h"

#include <QObject>
#include <QVariant>

QString Tag(const QObject *object)
{
    return object ? object->property("Tag").toString() : QString();
}

void setTag(QObject *object, const QString &tag)
{
    if (object)
        object->setProperty("Tag", tag);
}

#pragma once

#include <QString>

class QObject;

// The Tag of a control: a free text kept in the dynamic property "Tag" of the QObject
// (empty when never set). The control helpers keep a numeric field's raw value there.
QString Tag(const QObject *object);
void setTag(QObject *object, const QString &tag);

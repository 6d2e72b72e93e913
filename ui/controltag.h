#pragma once

#include <QString>

class QObject;

// The Tag every control can carry: a second text kept in the dynamic property "Tag",
// empty until set. The verdict labels keep their standard caption there, the control
// helpers a numeric field's raw value.
QString Tag(const QObject *object);
void setTag(QObject *object, const QString &tag);

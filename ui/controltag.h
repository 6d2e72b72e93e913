#pragma once

#include <QString>

class QObject;

// The Tag every control can carry: a second text kept with it (dynamic property "Tag"),
// empty until set. The verdict labels keep their standard caption there.
QString Tag(const QObject *control);
void setTag(QObject *control, const QString &tag);

#include "platform/localeinfo.h"

#include <QLocale>

namespace {

struct Override
{
    bool active = false;
    QString decimal;
    QString thousands;
};

Override &currentOverride()
{
    static Override o;
    return o;
}

// QLocale::system() follows LC_ALL, LC_NUMERIC and LANG; "C" and "POSIX" map to the C locale.
QLocale systemLocale()
{
    return QLocale::system();
}

} // namespace

QString LocaleInfo::decimalSeparator()
{
    const Override &o = currentOverride();
    if (o.active)
        return o.decimal;
    const QString d = systemLocale().decimalPoint();
    return d.isEmpty() ? QStringLiteral(".") : d;
}

QString LocaleInfo::thousandsSeparator()
{
    const Override &o = currentOverride();
    if (o.active)
        return o.thousands;
    const QLocale l = systemLocale();
    if (l.language() == QLocale::C)
        return QStringLiteral(",");
    return l.groupSeparator();
}

void LocaleInfo::setOverride(const QString &decimal, const QString &thousands)
{
    Override &o = currentOverride();
    o.active = true;
    o.decimal = decimal;
    o.thousands = thousands;
}

void LocaleInfo::clearOverride()
{
    currentOverride() = Override{};
}

bool LocaleInfo::hasOverride()
{
    return currentOverride().active;
}

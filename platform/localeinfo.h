#pragma once

#include <QString>

// The user locale's number separators, the two items the desk reads from the operating
// system (decimal separator and thousands separator). They come from the process locale
// (LC_ALL / LC_NUMERIC / LANG, as QLocale::system() reads them); under the C or POSIX
// locale they are "." and ",". Tests and tools can put another pair in place with
// setOverride() (for example "," and "." for a Portuguese desk). Never throws.
class LocaleInfo
{
public:
    static QString decimalSeparator();
    static QString thousandsSeparator();

    // Replaces the system's separators for the whole process until clearOverride().
    static void setOverride(const QString &decimal, const QString &thousands);
    static void clearOverride();
    static bool hasOverride();
};

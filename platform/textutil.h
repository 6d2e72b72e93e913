#pragma once

#include <QString>

// Small text rules the runtime applies in several places, kept in one home.
namespace TextUtil {

// The runtime's Trim: leading and trailing spaces only; tabs and line breaks stay.
QString trimSpaces(const QString &text);

// The characters a number looks like in the entry box: Unicode compatibility forms folded
// (NFKC: full-width "１０１１" becomes "1011") and invisible format characters removed
// (U+200F, U+200B, U+FEFF, ...), so that what the operator sees is what is looked up.
QString foldLookAlikes(const QString &text);

} // namespace TextUtil

#pragma once

#include <QString>

// Small text rules the runtime applies in several places, kept in one home.
namespace TextUtil {

// The runtime's Trim: leading and trailing spaces only; tabs and line breaks stay.
QString trimSpaces(const QString &text);

} // namespace TextUtil

#pragma once

#include "data/recordset.h"

#include <QString>

#include <cstdint>

// List field formatting for list cells.
namespace modData {

// The text of one field of the current row of rs, formatted by code (1 date, 2 amount,
// 3 text, 4 euro amount, 5 percentage, 6 whole number, 7 date and time, 8 ISO date, other
// empty). A missing column or a Null value gives " ", so list cells are never empty; any
// failure is reported under "ListField" (application "Dornavel") and gives "".
QString ListField(Recordset &rs, const QString &fieldName, int32_t code);

} // namespace modData

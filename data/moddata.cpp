#include "data/moddata.h"

#include "data/displayformat.h"
#include "platform/errorreport.h"

namespace modData {

QString ListField(Recordset &rs, const QString &fieldName, int32_t code)
{
    QString result;
    try {
        const ::Fields fields = rs.Fields();
        const QString wanted = fieldName.toUpper();
        bool found = false;
        for (int i = 0; i < fields.Count(); ++i) {
            if (fields.Item(i).Name().toUpper() == wanted) {
                found = true;
                break;
            }
        }
        if (!found)
            return QStringLiteral(" ");

        const Value value = rs.Fields(fieldName).Value();
        if (value.isNull())
            return QStringLiteral(" ");

        switch (code) {
        case 1: result = DisplayFormat::format(value, DisplayFormat::dayPattern()); break;
        case 2: result = DisplayFormat::format(value, QStringLiteral("#,##0.00;- #,##0.00")); break;
        case 3: result = value.toText(); break;
        case 4: result = DisplayFormat::format(value, QStringLiteral("€ #,##0.00;€ -#,##0.00")); break;
        case 5: result = DisplayFormat::format(value, QStringLiteral("0.00 %")); break;
        case 6: result = DisplayFormat::format(Value(value.toLong()), QStringLiteral("#,##0")); break;
        case 7: result = DisplayFormat::format(value, DisplayFormat::dayTimePattern()); break;
        case 8: result = DisplayFormat::format(value, DisplayFormat::isoDayPattern()); break;
        default: result.clear(); break;
        }
    } catch (...) {
        ErrorReporting::moduleTail(QStringLiteral("Dornavel"), QStringLiteral("modData"), QStringLiteral("ListField"));
    }
    return result;
}

} // namespace modData

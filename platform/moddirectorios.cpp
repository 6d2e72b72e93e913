#include "platform/moddirectorios.h"

#include <QtGlobal>

namespace modDirectorios {

QString ObterPastaEspecial(int32_t csidl)
{
    QString path;
    if (csidl == CSIDL_COMMON_APPDATA) {
        path = qEnvironmentVariable("QUORVET_COMMON_APPDATA").trimmed();
        if (path.isEmpty())
            path = QStringLiteral("/var/lib");
    }
    // "/" alone stays: it is the root, not a trailing separator.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace modDirectorios

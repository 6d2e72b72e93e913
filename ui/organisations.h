#pragma once

#include <QString>

// The header texts shared by the desk's windows: the event's title and the full names of
// the two organisations whose members are invited. Plain constants; nothing can fail.
namespace Organisations {

inline QString eventTitle()
{
    return QStringLiteral("Gala Anual de Associados 2026");
}

inline QString zelmarFullName()
{
    return QStringLiteral("ZELMAR - Associação Mutualista dos Trabalhadores do Norte");
}

inline QString kordaFullName()
{
    return QStringLiteral("KORDA - Cooperativa de Serviços e Cultura");
}

} // namespace Organisations

#include "data/dberror.h"

#include "platform/runtimeerror.h"

#include <utility>

DbError::DbError(int32_t number, QString description, QString sqlState, int32_t nativeError)
    : m_number(number), m_description(std::move(description)), m_sqlState(std::move(sqlState)),
      m_nativeError(nativeError)
{
}

const DbError &DbErrors::Item(int index) const
{
    if (index < 0 || index >= m_items.size())
        throw RuntimeError(AdoError::ItemNotFound, AdoError::text(AdoError::ItemNotFound));
    return m_items.at(index);
}

QString AdoError::text(int32_t number)
{
    switch (number) {
    case ItemNotFound:
        return QStringLiteral(
            "Não foi possível encontrar o item na colecção correspondente ao nome ou ordinal pedido.");
    case NoCurrentRecord:
        return QStringLiteral("BOF ou EOF é True, ou o registo actual foi eliminado. A operação pedida requer um "
                              "registo actual.");
    case ObjectClosed: return QStringLiteral("A operação não é permitida quando o objecto está fechado.");
    case ObjectOpen: return QStringLiteral("A operação não é permitida quando o objecto está aberto.");
    case ProviderNotFound:
        return QStringLiteral("Não foi possível encontrar o fornecedor. Pode não estar correctamente instalado.");
    case ConnectionClosed:
        return QStringLiteral("A ligação não pode ser usada para efectuar esta operação. Está fechada ou é inválida "
                              "neste contexto.");
    default: return QString();
    }
}

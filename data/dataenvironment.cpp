#include "data/dataenvironment.h"

#include "data/dberror.h"
#include "platform/registryapi.h"
#include "platform/runtimeerror.h"

#ifndef QUORVET_SQLSERVER_HOST
#define QUORVET_SQLSERVER_HOST "localhost"
#endif

namespace Data {

namespace {

struct NamedConnection
{
    int memberId;
    const char *name;
    const char *environmentVariable;
    const char *catalog;
    const char *registryEntry;
};

const NamedConnection connections[] = {
    {SqlServerId, "SqlServer", "QUORVET_CONNECTION_SQLSERVER", "Pelvrin", "SqlServer"},
    {ZelmarId, "ZELMAR", "QUORVET_CONNECTION_ZELMAR", "Pelvrin", "Zelmar"},
    {KordaId, "KORDA", "QUORVET_CONNECTION_KORDA", "Contabilidade_velkor", "Korda"},
};

const NamedConnection &byId(int memberId)
{
    for (const NamedConnection &c : connections)
        if (c.memberId == memberId)
            return c;
    throw RuntimeError(AdoError::ItemNotFound, AdoError::text(AdoError::ItemNotFound));
}

const QLatin1String RegistryPrefix("Registry=");

// The override of a named connection, or the empty text when it is unset or blank.
QString overrideOf(const NamedConnection &c)
{
    const QString overridden = qEnvironmentVariable(c.environmentVariable);
    return overridden.trimmed().isEmpty() ? QString() : overridden;
}

bool namesRegistryEntry(const QString &overridden)
{
    return overridden.trimmed().startsWith(RegistryPrefix, Qt::CaseInsensitive);
}

// Whether the registry holds the named connection's own entry (without an override).
bool registryHoldsEntry(const NamedConnection &c)
{
    RegistryApi::Key key = 0;
    const QString path = QStringLiteral("SOFTWARE\\Halvorix\\") + QLatin1String(c.registryEntry);
    if (RegistryApi::openKey(RegistryApi::FirstRoot + 2 /* HKEY_LOCAL_MACHINE */, path, RegistryApi::KeyRead, &key)
        != RegistryApi::Success)
        return false;
    RegistryApi::closeKey(key);
    return true;
}

} // namespace

QStringList connectionNames()
{
    QStringList names;
    for (const NamedConnection &c : connections)
        names << QString::fromLatin1(c.name);
    return names;
}

QString connectionName(int memberId)
{
    return QString::fromLatin1(byId(memberId).name);
}

int memberId(const QString &name)
{
    for (const NamedConnection &c : connections)
        if (name.trimmed().compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.memberId;
    throw RuntimeError(AdoError::ItemNotFound, AdoError::text(AdoError::ItemNotFound));
}

QString designTimeConnectionString(int id)
{
    const NamedConnection &c = byId(id);
    return QStringLiteral("Provider=SQLOLEDB.1;Password=wobrelkiz;Persist Security Info=True;User ID=sa;"
                          "Initial Catalog=%1;Data Source=%2\\SQLEXPRESS,1433;")
        .arg(QString::fromLatin1(c.catalog), QString::fromUtf8(QUORVET_SQLSERVER_HOST));
}

QString connectionString(int id)
{
    const NamedConnection &c = byId(id);
    const QString overridden = overrideOf(c);
    if (namesRegistryEntry(overridden))
        return QString();
    if (!overridden.isEmpty())
        return overridden;
    if (registryHoldsEntry(c))
        return QString();
    return designTimeConnectionString(id);
}

QString connectionString(const QString &name)
{
    return connectionString(memberId(name));
}

QString registryEntry(int id)
{
    const NamedConnection &c = byId(id);
    const QString overridden = overrideOf(c);
    if (namesRegistryEntry(overridden))
        return overridden.trimmed().mid(RegistryPrefix.size()).trimmed();
    if (overridden.isEmpty() && registryHoldsEntry(c))
        return QString::fromLatin1(c.registryEntry);
    return QString();
}

QString registryEntryName(int id)
{
    return QString::fromLatin1(byId(id).registryEntry);
}

QString configurationError()
{
    for (const NamedConnection &c : connections) {
        if (namesRegistryEntry(overrideOf(c)) && registryEntry(c.memberId).isEmpty())
            return QStringLiteral("A variável de ambiente %1 pede uma ligação construída a partir do registo "
                                  "(\"Registry=\") mas não indica o nome da entrada, por exemplo %1=Registry=%2.")
                .arg(QString::fromLatin1(c.environmentVariable), QString::fromLatin1(c.name));
    }
    return QString();
}

} // namespace Data

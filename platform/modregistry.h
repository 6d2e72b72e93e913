#pragma once

#include "platform/regresult.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The registry store: reads string settings from the registry (registryapi.h), with the
// shadow file (shadowfile.h) taking precedence and receiving the defaults of settings the
// registry lacks. It never changes the registry. A badly formed key path shows the
// "Formato Incorrecto:" box; every other failure is a null or empty result, and run-time
// errors go to the error reporter under "modRegistry" with the procedure's name.
namespace modRegistry {

// The predefined handle of a root name (exact comparison), or 0.
int32_t ObterHandleChavePrincipal(const QString &rootName);

// Splits a key path into its root handle and subkey path (keyPath is rewritten to the
// subkey path). A path that does not begin with "HKEY_" or ends with "\" shows the format box
// and gives root 0 with the path unchanged.
void FormatarChave(QString &keyPath, int32_t &root);

// The value from the registry only. keyPath is rewritten to its subkey path.
RegResult ValorString(QString &keyPath, const QString &valueName);

// A setting: the shadow file's entry (unless skipShadow), else the registry, following
// "SREF=" references; a null result becomes defaultValue, which is then written to the shadow
// file under the last path read (when a default is given and the file exists). A chain of
// references that comes back to a path already read stops with null (reported; its default is
// returned but not written).
RegResult ObterValorString(const QString &keyPath, const QString &valueName, const std::optional<QString> &defaultValue,
                           bool skipShadow);

// The shadow file's entry, or the empty text.
QString LerValorSombra(const QString &keyPath, const QString &valueName);
// Puts an entry into the existing shadow file; true when it holds the entry afterwards.
bool GravarValorSombra(const QString &keyPath, const QString &valueName, const QString &value);

// The names of the subkeys of subKeyPath below the root that rootPath names (rootPath is
// rewritten to its subkey path), in the registry's order. No collection when rootPath has no
// root; an empty one when the key cannot be opened.
std::optional<QStringList> Enumerar_Chaves(QString &rootPath, const QString &subKeyPath);

} // namespace modRegistry

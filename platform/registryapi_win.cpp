// The registry calls on Windows: straight to advapi32.
#ifdef _WIN32

#include "platform/registryapi.h"

#include <windows.h>

namespace RegistryApi {

namespace {
HKEY toHkey(Key key)
{
    return reinterpret_cast<HKEY>(key);
}
} // namespace

int32_t openKey(Key key, const QString &subKey, uint32_t access, Key *opened)
{
    HKEY result = nullptr;
    const QByteArray name = subKey.toLocal8Bit();
    const LONG rc = RegOpenKeyExA(toHkey(key), name.constData(), 0, access, &result);
    *opened = rc == ERROR_SUCCESS ? reinterpret_cast<Key>(result) : 0;
    return rc;
}

int32_t queryValue(Key key, const QString &valueName, char *data, uint32_t *byteCount)
{
    DWORD type = 0;
    DWORD count = *byteCount;
    const QByteArray name = valueName.toLocal8Bit();
    const LONG rc = RegQueryValueExA(toHkey(key), name.constData(), nullptr, &type, reinterpret_cast<LPBYTE>(data),
                                     &count);
    *byteCount = count;
    return rc;
}

int32_t enumKey(Key key, uint32_t index, char *name, uint32_t *nameLength, char *className, uint32_t *classLength)
{
    DWORD nameCount = *nameLength;
    DWORD classCount = *classLength;
    FILETIME written;
    const LONG rc = RegEnumKeyExA(toHkey(key), index, name, &nameCount, nullptr, className, &classCount, &written);
    *nameLength = nameCount;
    *classLength = classCount;
    return rc;
}

int32_t closeKey(Key key)
{
    return RegCloseKey(toHkey(key));
}

} // namespace RegistryApi

#endif // _WIN32

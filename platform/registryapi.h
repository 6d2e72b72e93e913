#pragma once

#include <QString>

#include <cstdint>

// The four registry calls the registry store makes, shaped like their advapi32 namesakes
// (RegOpenKeyExA, RegQueryValueExA, RegEnumKeyExA, RegCloseKey) and returning their
// Windows error codes. On Windows they are the real calls; elsewhere they read the
// read-only registry file described in registryfile.h. Nothing here ever writes.
namespace RegistryApi {

// A key handle. The predefined roots are the sign-extended 32-bit values 0x80000000 to
// 0x80000006, as Windows defines HKEY_CLASSES_ROOT and its siblings.
using Key = std::intptr_t;

// The predefined roots' names, in the order of their handles: RootNames[0] is FirstRoot.
constexpr int RootCount = 7;
constexpr Key FirstRoot = Key(int32_t(0x80000000u));
inline constexpr const char *RootNames[RootCount] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

constexpr uint32_t KeyRead = 0x20019;

constexpr int32_t Success = 0;
constexpr int32_t FileNotFound = 2;
constexpr int32_t InvalidHandle = 6;
constexpr int32_t MoreData = 234;
constexpr int32_t NoMoreItems = 259;

// Opens subKey below key (the key itself when subKey is empty) into *opened.
int32_t openKey(Key key, const QString &subKey, uint32_t access, Key *opened);

// Reads the value named valueName (the default value when empty) into data. On entry
// *byteCount is the buffer's size; on success it is the number of bytes stored, the string
// terminator included. Strings arrive in the local 8-bit code page. MoreData when the
// value does not fit.
int32_t queryValue(Key key, const QString &valueName, char *data, uint32_t *byteCount);

// Names the subkey at index into name (and its class into className). On entry the lengths
// are the buffers' sizes in characters; on success they are the characters stored, the
// terminator not counted. NoMoreItems past the last subkey, MoreData when a text does not fit.
int32_t enumKey(Key key, uint32_t index, char *name, uint32_t *nameLength, char *className, uint32_t *classLength);

int32_t closeKey(Key key);

} // namespace RegistryApi

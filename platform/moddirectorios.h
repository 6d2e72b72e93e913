#pragma once

#include <QString>

#include <cstdint>

// Paths of the shell's special folders, by CSIDL number. On this platform the only folder
// the system asks for, the common application-data folder (35), is $QUORVET_COMMON_APPDATA
// when set, else /var/lib. Never fails: an unknown folder gives the empty text.
namespace modDirectorios {

constexpr int32_t CSIDL_COMMON_APPDATA = 0x23;

// The folder's path, trimmed and without a trailing "/", or "" for an unknown CSIDL.
QString ObterPastaEspecial(int32_t csidl);

} // namespace modDirectorios

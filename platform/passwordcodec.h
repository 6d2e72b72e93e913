#pragma once

#include <QString>

// The encoded, machine-bound form of the "dtPassword" registry value: "qv1:" and the base64
// of a random nonce followed by the password sealed with libsodium's secretbox under a key
// derived from the machine's identity (/etc/machine-id, or $QUORVET_MACHINE_ID_FILE) and the
// application's context. A value copied to another machine, altered, or never encoded does
// not decode: the decoder then reports the fault under "modPassword" and gives the empty text,
// so the login fails plainly instead of sending something wrong to the server.
namespace PasswordCodec {

// $QUORVET_MACHINE_ID_FILE, or /etc/machine-id when it is unset.
QString machineIdPath();

// The encoded text for this machine (or for the machine whose identity file is given);
// the empty text, with a report, when the machine identity cannot be read.
QString EncodePassword(const QString &password);
QString EncodePassword(const QString &password, const QString &machineIdFile);

// The clear password, or the empty text with a report when the value does not decode here.
QString DecodePassword(const QString &encoded);
QString DecodePassword(const QString &encoded, const QString &machineIdFile);

} // namespace PasswordCodec

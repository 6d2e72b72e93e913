#pragma once

#include "data/connection.h"

// The check-in database reached outside a check-in's connect test (the undo of the last
// entry, the re-read after a lost reply), within the same one deadline as that test.
namespace ProvedConnection {

// The longest Connect Timeout of the desk's three named connections (15 s on a composed string
// or one that names none): the one deadline of a connect test.
int connectSeconds();

// A connection to the named connection whose session answers now: an idle one of the pool
// that passes its probe (or a new login in its place), or with fresh set always a new login.
// The caller runs its statements within a ConnectDeadline of connectSeconds(). Raises
// RuntimeError (-2147467259) when the server cannot be reached.
ConnectionRef open(int memberId, bool fresh);

} // namespace ProvedConnection

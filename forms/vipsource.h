#pragma once

#include "data/connection.h"

#include <QString>

// What a VIP entry list needs from the window that opens it: a fresh set of connections
// and KORDA's connection afterwards. The main window implements it; the list window only
// borrows it (the source outlives every list window it opens, which it owns).
class VipSource
{
public:
    virtual ~VipSource() = default;

    // Connects the desk's databases; "" when all went well, otherwise the message to show.
    virtual QString Connect() = 0;
    // KORDA's connection as Connect left it (null before the first Connect).
    virtual ConnectionRef kordaConnection() const = 0;
};

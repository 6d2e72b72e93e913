#pragma once

#include "data/connection.h"
#include "data/scanjournal.h"
#include "data/value.h"

#include <functional>
#include <vector>

// Delivers the entries this desk decided without the server, each at most once: the invitation's
// row is read first, and only while it holds no entry time is the check-in's conditional update
// sent (CheckinQueries::deliverEntry); the row is then read back. The server holding this desk's
// time (within a DATETIME tick of 3 ms) is `delivered`, any other time `conflict` (another desk
// let the guest in first); each outcome is journalled at once. A desk killed between the update
// and its journal row, or a reply lost on the way, finds its own time at the next attempt and
// journals it as delivered without writing again. A failure of the connection stops the round
// (RuntimeError reaches the caller); what was settled before it stays settled. Plain code: it
// runs on whatever thread calls it, with a connection of that thread.
namespace OfflineDelivery {

enum class Outcome { Delivered, Conflict };

struct Settled
{
    OfflineEntry entry;
    Outcome outcome = Outcome::Delivered;
    // The entry time the server holds after the delivery (Null for an invitation gone from it).
    Value serverEntry = Value::null();
};

// One entry: read, write when still unused, read back; nothing journalled.
Settled deliver(const ConnectionRef &checkIn, const OfflineEntry &entry);
// Every pending entry of the journal in the order they were made, each journalled as it is
// settled; `each` (optional) hears of each one. Answers what was settled in this round.
std::vector<Settled> deliverPending(const ConnectionRef &checkIn, ScanJournal &journal,
                                    const std::function<void(const Settled &)> &each = {});

} // namespace OfflineDelivery

#include "data/offlinedelivery.h"

#include "data/checkinqueries.h"
#include "data/checkinverdict.h"
#include "data/recordset.h"
#include "platform/runtimeerror.h"

#include <cstdlib>

namespace {

// The invitation's entry time as the server holds it; nullopt when the invitation is gone.
std::optional<Value> heldEntry(const ConnectionRef &checkIn, int32_t conviteId)
{
    Recordset rs;
    rs.Open(CheckinQueries::entryTime(conviteId), checkIn);
    std::optional<Value> held;
    if (!rs.Eof())
        held = rs.Fields("checked_in").Value();
    rs.Close();
    return held;
}

bool isOurs(const OfflineEntry &entry, const Value &held)
{
    const QDateTime t = serverInstant(held);
    return t.isValid() && std::abs(t.msecsTo(entry.serverTime)) <= 3;
}

OfflineDelivery::Settled settle(const OfflineEntry &entry, const Value &held)
{
    return {entry, isOurs(entry, held) ? OfflineDelivery::Outcome::Delivered : OfflineDelivery::Outcome::Conflict,
            held};
}

} // namespace

OfflineDelivery::Settled OfflineDelivery::deliver(const ConnectionRef &checkIn, const OfflineEntry &entry)
{
    if (!checkIn)
        throw RuntimeError::objectNotSet();
    std::optional<Value> held = heldEntry(checkIn, entry.conviteId);
    if (!held)
        return {entry, Outcome::Conflict, Value::null()};
    // Already there: our own write whose journal row or reply was lost, or another desk's.
    if (CheckinVerdict::hasEntryTime(*held))
        return settle(entry, *held);

    checkIn->Execute(CheckinQueries::deliverEntry(entry.conviteId, entry.serverTime));
    held = heldEntry(checkIn, entry.conviteId);
    if (!held)
        return {entry, Outcome::Conflict, Value::null()};
    if (!CheckinVerdict::hasEntryTime(*held))
        // Cleared again between our update and the read (an undo elsewhere): the next round decides.
        throw RuntimeError(-2147467259, QStringLiteral("tbConvites: the entry of convite_id ")
                                            + QString::number(entry.conviteId)
                                            + QStringLiteral(" was cleared while it was delivered"));
    return settle(entry, *held);
}

std::vector<OfflineDelivery::Settled> OfflineDelivery::deliverPending(const ConnectionRef &checkIn,
                                                                      ScanJournal &journal,
                                                                      const std::function<void(const Settled &)> &each)
{
    std::vector<Settled> settled;
    for (const OfflineEntry &entry : journal.pendingOffline()) {
        Settled s = deliver(checkIn, entry);
        if (s.outcome == Outcome::Delivered)
            journal.recordDelivered(entry, s.serverEntry);
        else
            journal.recordConflict(entry, s.serverEntry);
        if (each)
            each(s);
        settled.push_back(std::move(s));
    }
    return settled;
}

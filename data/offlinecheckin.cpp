#include "data/offlinecheckin.h"

OfflineCheckin OfflineCheckin::decide(const std::optional<LocalReplica::Invitation> &copy,
                                      const std::optional<OfflineEntry> &ownEntry)
{
    OfflineCheckin result;
    if (!copy) {
        result.verdict = CheckinVerdict::offline(CheckinVerdict::notFound());
        return result;
    }
    result.invitationFound = true;
    result.conviteId = copy->conviteId;
    result.member = !copy->socioId.isNull() && copy->socioId.toLong() != 0;
    result.guestName = copy->nome.isNull() ? QString() : copy->nome.toText();
    if (result.member && copy->memberSource != 0)
        result.panel = copy->panel;
    if (CheckinVerdict::hasEntryTime(copy->checkedIn)) {
        result.entryTime = copy->checkedIn;
    } else if (ownEntry) {
        result.entryTime = Value::date(ownEntry->serverTime.date(), ownEntry->serverTime.time());
    }
    const QString callSign = copy->callIn.isNull() ? QString() : copy->callIn.toText();
    result.verdict = CheckinVerdict::offline(CheckinVerdict::forInvitation(result.member, result.entryTime, callSign));
    return result;
}

#pragma once

#include "data/checkinverdict.h"
#include "data/localreplica.h"
#include "data/scanjournal.h"
#include "data/value.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What the desk decides for a number without the server, from its local copy and its own
// entries decided offline, by the rules of the online check-in: a number not in the copy is
// not found; an entry time in the copy, or a pending offline entry of this desk, refuses it as
// already in at that time; otherwise it is accepted (and the caller journals the entry before
// it shows it). The verdict's text carries " (sem ligação)". The member panel holds the values
// the copy resolved by the check-in's lookup rules; there is never a photograph. Plain values.
struct OfflineCheckin
{
    bool invitationFound = false;
    int32_t conviteId = 0;
    // The invitation names a member (socio_id); guestName is then shown only when no member was found.
    bool member = false;
    QString guestName;
    // The eight member-panel values in LocalReplica::panelColumns() order; empty when the
    // copy found no member.
    std::vector<Value> panel;
    CheckinVerdict verdict;
    // The entry time that refuses it (the copy's or this desk's own offline one); zero date when none.
    Value entryTime = Value::zeroDate();

    // copy: the invitation as the copy holds it; ownEntry: this desk's pending offline entry of it.
    static OfflineCheckin decide(const std::optional<LocalReplica::Invitation> &copy,
                                 const std::optional<OfflineEntry> &ownEntry);
};

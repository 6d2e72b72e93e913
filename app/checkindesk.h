#pragma once

#include "data/checkinverdict.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/scanjournal.h"
#include "data/value.h"

#include "platform/runtimeerror.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// What one check-in found and decided, for the window to show: the verdict, the guest,
// where the photograph comes from and the entry time written or found.
struct CheckinResult
{
    // A tbConvites row exists for the number; without one nothing else is set.
    bool invitationFound = false;
    // The invitation names a member (socio_id); otherwise guestName is the name to show.
    bool member = false;
    QString guestName;
    // The photograph: organisation (1 ZELMAR, 2 KORDA), contacto_id and archive folder;
    // loadPhotograph when that folder is set and exists.
    int32_t photoSource = 0;
    int32_t photoMemberId = 0;
    QString archiveFolder;
    bool loadPhotograph = false;
    CheckinVerdict verdict;
    // The invitation's entry time: the one found on it, or the one this check-in wrote (as
    // read back), or the one another desk wrote first. The zero date when none is known.
    Value entryTime = Value::zeroDate();
    // The entry time this check-in wrote, or found and knows as this desk's own; Null when none
    // or when it could not be read back. The undo is offered for it.
    Value writtenEntryTime = Value::null();
    // The invitation's call sign, for a verdict settled after the lookup.
    QString callSign;
    // The accepting update's reply was lost and the row could not be read again: the entry may
    // be in, written within window. The desk shows the connect message, not a verdict.
    bool unconfirmed = false;
    EntryWindow window;
    // The accepting update changed the row: its time is read back by readBackEntry, after the
    // verdict is on screen.
    bool entryToReadBack = false;
    // The server's clock less the desk's, as last read by this check-in; kept for the
    // entries the desk decides offline. Unset when the clock was not read.
    std::optional<qint64> serverClockOffsetMs;

    // The scan's name in the journal: accepted or used (not_found when no invitation).
    const char *journalVerdict() const;
};

// The check-in's way through the desk's three databases: the invitation in the check-in
// database, the member by id in the issuing organisation or by company number in ZELMAR
// then KORDA, whose photograph and archive folder, and the accepting update. It uses the
// window's three connection variables (a variable that holds no object raises error 91)
// and records the invitation looked up in lastConviteId as soon as it is read. Statements
// go out in the order the desk has always sent them; a failure reaches the caller as
// RuntimeError, except the read-back of a written entry, which is reported and not raised.
class CheckinDesk
{
public:
    // Called with the member row while it is the current row, for the window to show.
    using MemberRowSink = std::function<void(RecordsetRef &row)>;

    CheckinDesk(ConnectionRef &checkIn, ConnectionRef &zelmar, ConnectionRef &korda, int32_t &lastConviteId,
                ServerClock &serverClock);

    // Everything before the entry is written, for the trimmed number of the entry box.
    CheckinResult lookUp(const QString &trimmedEntry, const MemberRowSink &showMember);
    // An entry time found on the invitation that this desk knows as its own: one it wrote
    // stays refused as already in but may be undone; one inside the window of its own
    // unconfirmed attempt is that attempt's entry, accepted now (nothing more is written).
    static void claimOwnEntry(CheckinResult &result, ScanJournal::Own own);
    // Sends the accepting update when the verdict asks for it and settles the verdict:
    // accepted (its time to be read back), or refused when another desk wrote first. When the
    // update's reply is lost the row is read again on a new login within the connect deadline:
    // an entry inside the attempt's window (the server's clock before and after) is this
    // desk's; no entry leaves the failure standing; no answer leaves the result unconfirmed.
    void recordEntry(CheckinResult &result);
    // The time of the entry recordEntry wrote, for the undo and the journal: read once the
    // verdict is shown, which does not depend on it. A failure to read it only means that the
    // entry cannot be undone from this desk: it is reported, never raised.
    void readBackEntry(CheckinResult &result);

    // The member database of organisation 1 (ZELMAR) or any other (KORDA).
    ConnectionRef &organisationConnection(int32_t source);

private:
    void findMember(CheckinResult &result, int32_t memberId, int32_t databaseCode, const QString &companyNumber,
                    const MemberRowSink &showMember);
    void findPhotograph(CheckinResult &result, const QString &companyNumber);
    // Runs sql on the check-in connection and reads the server's clock from its column agora (and,
    // given entryTime, the row's checked_in): noted in the desk's ServerClock and as the
    // result's offset. Invalid when no row or no time came back.
    QDateTime readServerClock(CheckinResult &result, const QString &sql, Value *entryTime = nullptr);
    void settleLostReply(CheckinResult &result, EntryWindow window, const CurrentError &lost);

    ConnectionRef &m_checkIn;
    ConnectionRef &m_zelmar;
    ConnectionRef &m_korda;
    int32_t &m_lastConviteId;
    ServerClock &m_serverClock;
    RecordsetRef m_rs = std::make_shared<Recordset>();
};

#pragma once

#include "app/checkinverdict.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/value.h"

#include <QString>

#include <cstdint>
#include <functional>

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
    // The entry time this check-in wrote; Null when it wrote none or could not read it back.
    Value writtenEntryTime = Value::null();

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

    CheckinDesk(ConnectionRef &checkIn, ConnectionRef &zelmar, ConnectionRef &korda, int32_t &lastConviteId);

    // Everything before the entry is written, for the trimmed number of the entry box.
    CheckinResult lookUp(const QString &trimmedEntry, const MemberRowSink &showMember);
    // Sends the accepting update when the verdict asks for it and settles the verdict:
    // accepted with the time read back, or refused when another desk wrote first.
    void recordEntry(CheckinResult &result);

    // The member database of organisation 1 (ZELMAR) or any other (KORDA).
    ConnectionRef &organisationConnection(int32_t source);

private:
    void findMember(CheckinResult &result, int32_t memberId, int32_t databaseCode, const QString &companyNumber,
                    const MemberRowSink &showMember);
    void findPhotograph(CheckinResult &result, const QString &companyNumber);
    void readWrittenEntry(CheckinResult &result);

    ConnectionRef &m_checkIn;
    ConnectionRef &m_zelmar;
    ConnectionRef &m_korda;
    int32_t &m_lastConviteId;
    RecordsetRef m_rs = std::make_shared<Recordset>();
};

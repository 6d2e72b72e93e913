#include "app/checkindesk.h"

#include "data/checkinqueries.h"
#include "data/connectdeadline.h"
#include "data/dataenvironment.h"
#include "data/provedconnection.h"
#include "idfotos/photoarchive.h"
#include "platform/errorreport.h"
#include "platform/runtimeerror.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <utility>

namespace {

// A connection variable that holds no object fails like any call on a missing object.
const ConnectionRef &required(const ConnectionRef &connection)
{
    if (!connection)
        throw RuntimeError::objectNotSet();
    return connection;
}

// The organisations searched by company number, in order.
constexpr int32_t ZELMAR = 1;
constexpr int32_t KORDA = 2;

} // namespace

const char *CheckinResult::journalVerdict() const
{
    if (!invitationFound)
        return "not_found";
    return verdict.kind == CheckinVerdict::Accepted ? "accepted" : "used";
}

CheckinDesk::CheckinDesk(ConnectionRef &checkIn, ConnectionRef &zelmar, ConnectionRef &korda, int32_t &lastConviteId,
                         ServerClock &serverClock)
    : m_checkIn(checkIn), m_zelmar(zelmar), m_korda(korda), m_lastConviteId(lastConviteId), m_serverClock(serverClock)
{
}

ConnectionRef &CheckinDesk::organisationConnection(int32_t source)
{
    return source == ZELMAR ? m_zelmar : m_korda;
}

CheckinResult CheckinDesk::lookUp(const QString &trimmedEntry, const MemberRowSink &showMember)
{
    CheckinResult result;
    m_rs->Open(CheckinQueries::invitation(trimmedEntry), required(m_checkIn));
    if (m_rs->Eof()) {
        m_rs->Close();
        result.verdict = CheckinVerdict::notFound();
        return result;
    }
    result.invitationFound = true;

    m_lastConviteId = m_rs->Fields("convite_id").Value().toLong();
    const auto read = [this](const char *column) { return m_rs->Fields(column).Value(); };
    const Value socio = read("socio_id");
    const int32_t memberId = socio.isNull() ? 0 : socio.toLong();
    const Value noTap = read("no_tap");
    const QString companyNumber = noTap.isNull() ? QString() : noTap.toText();
    const Value nome = read("nome");
    result.guestName = nome.isNull() ? QString() : nome.toText();
    const Value callIn = read("call_in");
    const QString callSign = callIn.isNull() ? QString() : callIn.toText();
    result.callSign = callSign;
    const Value base = read("base_dados");
    const int32_t databaseCode = base.isNull() ? 0 : base.toLong();
    const Value checkedIn = read("checked_in");
    if (!checkedIn.isNull()) {
        // As the server gave it, never through a local time that may not exist.
        QDate day;
        QTime time;
        checkedIn.toDateParts(&day, &time);
        result.entryTime = Value::date(day, time);
    }
    m_rs->Close();

    result.member = memberId != 0;
    if (result.member) {
        findMember(result, memberId, databaseCode, companyNumber, showMember);
        findPhotograph(result, companyNumber);
    }
    result.verdict = CheckinVerdict::forInvitation(result.member, result.entryTime, callSign);
    return result;
}

void CheckinDesk::findMember(CheckinResult &result, int32_t memberId, int32_t databaseCode,
                             const QString &companyNumber, const MemberRowSink &showMember)
{
    result.photoMemberId = memberId;
    // By member id, in the organisation that issued the invitation. Any other code sends
    // nothing, and reading the unopened result set fails.
    if (databaseCode == ZELMAR || databaseCode == KORDA) {
        m_rs->Open(CheckinQueries::memberById(memberId), required(organisationConnection(databaseCode)));
        result.photoSource = databaseCode;
    }
    bool found = !m_rs->Eof();
    if (found)
        showMember(m_rs);
    m_rs->Close();

    // By company number, ZELMAR first.
    for (const int32_t organisation : {ZELMAR, KORDA}) {
        if (found)
            break;
        m_rs->Open(CheckinQueries::memberByCompanyNumber(companyNumber),
                   required(organisationConnection(organisation)));
        if (!m_rs->Eof()) {
            result.photoMemberId = m_rs->Fields("contacto_id").Value().toLong();
            showMember(m_rs);
            result.photoSource = organisation;
            found = true;
        }
        m_rs->Close();
    }
}

void CheckinDesk::findPhotograph(CheckinResult &result, const QString &companyNumber)
{
    // Whose photograph: the invitation's company number, first where the member was found.
    const QString photoQuery = CheckinQueries::photographOwner(companyNumber);
    m_rs->Open(photoQuery, required(organisationConnection(result.photoSource)));
    const bool ownPhoto = !m_rs->Eof();
    m_rs->Close();
    if (!ownPhoto) {
        result.photoSource = result.photoSource == ZELMAR ? KORDA : ZELMAR;
        m_rs->Open(photoQuery, required(organisationConnection(result.photoSource)));
        result.photoMemberId = m_rs->Eof() ? 0 : m_rs->Fields("contacto_id").Value().toLong();
        m_rs->Close();
    }

    Recordset defs;
    defs.Open(CheckinQueries::archiveFolder(), required(organisationConnection(result.photoSource)));
    if (!defs.Eof()) {
        const Value folder = defs.Fields("arquivodocumental").Value();
        if (!folder.isNull())
            result.archiveFolder = folder.toText();
    }
    defs.Close();
    // The folder goes to the photo control as the server sent it; the test, as Windows would
    // make it, drops a CHAR column's padding.
    const QString folderName = PhotoArchive::fileSystemName(result.archiveFolder);
    result.loadPhotograph = !folderName.isEmpty() && QFileInfo(folderName).isDir();
}

void CheckinDesk::claimOwnEntry(CheckinResult &result, ScanJournal::Own own)
{
    if (!result.invitationFound || !CheckinVerdict::hasEntryTime(result.entryTime) || own == ScanJournal::Own::No)
        return;
    result.writtenEntryTime = result.entryTime;
    if (own == ScanJournal::Own::Unconfirmed) {
        result.verdict = CheckinVerdict::forInvitation(result.member, Value::zeroDate(), result.callSign);
        result.verdict.writeEntry = false;
    }
}

void CheckinDesk::recordEntry(CheckinResult &result)
{
    if (!result.verdict.writeEntry)
        return;
    // Where the window of this attempt begins, should its reply be lost: the server's clock as
    // this desk last read it, carried forward, or asked of the server when that is too old.
    QElapsedTimer waited;
    waited.start();
    const std::optional<QDateTime> known = m_serverClock.earliest();
    const QDateTime before = known ? *known : readServerClock(result, CheckinQueries::serverClock());

    int64_t changed = -1;
    try {
        required(m_checkIn)->Execute(CheckinQueries::acceptEntry(m_lastConviteId), &changed);
    } catch (...) {
        const CurrentError lost = currentError();
        if (!before.isValid())
            throw RuntimeError(lost.number, lost.description);
        settleLostReply(result, EntryWindow{before, before.addMSecs(waited.elapsed())}, lost);
        return;
    }
    if (changed == 0) {
        // Another desk let this guest in between our lookup and our update.
        m_rs->Open(CheckinQueries::entryTime(m_lastConviteId), m_checkIn);
        result.entryTime = m_rs->Fields("checked_in").Value();
        result.verdict = CheckinVerdict::enteredElsewhere(result.entryTime);
        m_rs->Close();
    } else {
        result.entryToReadBack = true;
    }
}

void CheckinDesk::settleLostReply(CheckinResult &result, EntryWindow window, const CurrentError &lost)
{
    // The update may have run: the row says, read on a new login (the old link is gone) within
    // the connect deadline.
    Value entry = Value::null();
    try {
        const ConnectDeadline deadline(ProvedConnection::connectSeconds());
        ConnectionRef again = ProvedConnection::open(Data::SqlServerId, true);
        Recordset rs;
        rs.Open(CheckinQueries::entryTimeAndClock(m_lastConviteId), again);
        if (!rs.Eof()) {
            entry = rs.Fields("checked_in").Value();
            const QDateTime after = serverInstant(rs.Fields("agora").Value());
            if (after.isValid())
                window.to = after;
        }
        rs.Close();
    } catch (...) {
        result.unconfirmed = true;
        result.window = window;
        return;
    }
    if (!CheckinVerdict::hasEntryTime(entry))
        throw RuntimeError(lost.number, lost.description); // nothing was written
    result.entryTime = entry;
    if (window.contains(entry))
        result.writtenEntryTime = entry; // ours: accepted as the verdict already says
    else
        result.verdict = CheckinVerdict::enteredElsewhere(entry);
}

QDateTime CheckinDesk::readServerClock(CheckinResult &result, const QString &sql, Value *entryTime)
{
    Recordset rs;
    const QDateTime deskBefore = OfflineEntry::deskNow();
    rs.Open(sql, required(m_checkIn));
    QDateTime server;
    if (!rs.Eof()) {
        server = serverInstant(rs.Fields("agora").Value());
        if (entryTime)
            *entryTime = rs.Fields("checked_in").Value();
    }
    rs.Close();
    if (server.isValid()) {
        // The server read its clock somewhere between the desk's two readings: their middle.
        const QDateTime deskMiddle = deskBefore.addMSecs(deskBefore.msecsTo(OfflineEntry::deskNow()) / 2);
        result.serverClockOffsetMs = deskMiddle.msecsTo(server);
        m_serverClock.read(server);
    }
    return server;
}

void CheckinDesk::readBackEntry(CheckinResult &result)
{
    if (!std::exchange(result.entryToReadBack, false))
        return;
    try {
        readServerClock(result, CheckinQueries::entryTimeAndClock(m_lastConviteId), &result.writtenEntryTime);
    } catch (...) {
        result.writtenEntryTime = Value::null();
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("VerifyCode"));
    }
    if (CheckinVerdict::hasEntryTime(result.writtenEntryTime))
        result.entryTime = result.writtenEntryTime;
}

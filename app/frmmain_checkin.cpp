// frmMain::VerifyCode: one invitation from the entry box to the verdict and the entry time.
#include "app/checkinqueries.h"
#include "app/checkinverdict.h"
#include "app/frmmain.h"

#include "data/recordset.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "platform/runtimeerror.h"
#include "ui/vbtimer.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace {

// The working values of one check-in, at their start values.
struct CheckinValues
{
    int32_t memberId = 0;
    QString companyNumber;
    QString guestName;
    QString callSign;
    int32_t databaseCode = 0;
    Value entryTime = Value::zeroDate();
    QString archiveFolder;
    int32_t source = 0;
    bool memberFound = false;
};

// A connection variable that holds no object fails like any call on a missing object.
const ConnectionRef &required(const ConnectionRef &connection)
{
    if (!connection)
        throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"));
    return connection;
}

} // namespace

void frmMain::VerifyCode()
{
    const QString typed = CheckinQueries::trimSpaces(m_FXNo_TAP->text());
    if (typed.isEmpty())
        return;

    CheckinValues v;
    RecordsetRef rs = std::make_shared<Recordset>();     // tbConvites, member view, photographs
    RecordsetRef rsDefs = std::make_shared<Recordset>(); // tbDefs
    try {
        // The desk stays locked (box disabled, timer armed but silent) until the pause ends.
        setCursor(Qt::WaitCursor);
        m_Timer1->setEnabled(true);
        m_Timer1->setInterval(0);
        m_FXNo_TAP->setEnabled(false);
        // Until this check-in writes an entry there is none of this desk's to undo.
        m_writtenEntryTime = Value::null();
        QPalette grey = m_FXNo_TAP->palette();
        grey.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
        m_FXNo_TAP->setPalette(grey);

        const QString unreachable = Connect();
        if (!unreachable.isEmpty()) {
            afterVerdict("unreachable"); // before the box, which waits for the operator
            MsgBox::show(unreachable, MsgBox::OKOnly | MsgBox::Information, windowTitle());
            unlockAfterVerdict();
            return;
        }

        v = CheckinValues();
        LastConviteID = 0;

        const QString entry = CheckinQueries::trimSpaces(m_FXNo_TAP->text());
        rs->Open(CheckinQueries::invitation(entry), required(m_ConnSqlServer));
        if (rs->Eof()) {
            const CheckinVerdict verdict = CheckinVerdict::notFound();
            ShowMessage(verdict.kind, verdict.text, verdict.callSign);
            unlockAfterVerdict();
            rs->Close();
            afterVerdict("not_found");
            return;
        }

        LastConviteID = rs->Fields("convite_id").Value().toLong();
        const Value socio = rs->Fields("socio_id").Value();
        if (!socio.isNull())
            v.memberId = socio.toLong();
        const Value noTap = rs->Fields("no_tap").Value();
        if (!noTap.isNull())
            v.companyNumber = noTap.toText();
        const Value nome = rs->Fields("nome").Value();
        if (!nome.isNull())
            v.guestName = nome.toText();
        const Value callIn = rs->Fields("call_in").Value();
        if (!callIn.isNull())
            v.callSign = callIn.toText();
        const Value base = rs->Fields("base_dados").Value();
        if (!base.isNull())
            v.databaseCode = base.toLong();
        const Value checkedIn = rs->Fields("checked_in").Value();
        if (!checkedIn.isNull())
            v.entryTime = Value::date(checkedIn.toDateTime());
        rs->Close();

        const bool member = v.memberId != 0;
        if (member) {
            // By member id, in the organisation that issued the invitation. Any other code
            // sends nothing, and reading the unopened result set fails.
            if (v.databaseCode == 1) {
                rs->Open(CheckinQueries::memberById(v.memberId), required(m_ConnZELMAR));
                v.source = 1;
            } else if (v.databaseCode == 2) {
                rs->Open(CheckinQueries::memberById(v.memberId), required(ConnKORDA));
                v.source = 2;
            }
            if (!rs->Eof()) {
                FillFields(rs);
                v.memberFound = true;
            }
            rs->Close();

            // By company number, ZELMAR first.
            if (!v.memberFound) {
                rs->Open(CheckinQueries::memberByCompanyNumber(v.companyNumber), required(m_ConnZELMAR));
                if (!rs->Eof()) {
                    v.memberId = rs->Fields("contacto_id").Value().toLong();
                    FillFields(rs);
                    v.source = 1;
                    v.memberFound = true;
                }
                rs->Close();
            }
            if (!v.memberFound) {
                rs->Open(CheckinQueries::memberByCompanyNumber(v.companyNumber), required(ConnKORDA));
                if (!rs->Eof()) {
                    v.memberId = rs->Fields("contacto_id").Value().toLong();
                    FillFields(rs);
                    v.source = 2;
                    v.memberFound = true;
                }
                rs->Close();
            }

            // Whose photograph: the invitation's company number, first where the member was found.
            const QString photoQuery = CheckinQueries::photographOwner(v.companyNumber);
            rs->Open(photoQuery, required(organisationConnection(v.source)));
            const bool ownPhoto = !rs->Eof();
            rs->Close();
            if (!ownPhoto) {
                v.source = v.source == 1 ? 2 : 1;
                rs->Open(photoQuery, required(organisationConnection(v.source)));
                v.memberId = rs->Eof() ? 0 : rs->Fields("contacto_id").Value().toLong();
                rs->Close();
            }

            rsDefs->Open(CheckinQueries::archiveFolder(), required(organisationConnection(v.source)));
            if (!rsDefs->Eof()) {
                const Value folder = rsDefs->Fields("arquivodocumental").Value();
                if (!folder.isNull())
                    v.archiveFolder = folder.toText();
            }
            rsDefs->Close();

            if (!v.archiveFolder.isEmpty() && QFileInfo(v.archiveFolder).isDir()) {
                // The control may hand back another connection object; it becomes ours.
                ConnectionRef &connection = organisationConnection(v.source);
                m_ucIDFotos1->setConnection(connection);
                m_ucIDFotos1->setArchiveFolder(v.archiveFolder);
                m_ucIDFotos1->setContactID(v.memberId);
                m_ucIDFotos1->Load(v.memberId, false, &connection);
            }
        } else {
            m_FXNome_Union->setText(v.guestName);
        }

        CheckinVerdict verdict = CheckinVerdict::forInvitation(member, v.entryTime, v.callSign);
        if (verdict.writeEntry) {
            int64_t changed = -1;
            required(m_ConnSqlServer)->Execute(CheckinQueries::acceptEntry(LastConviteID), &changed);
            if (changed == 0) {
                // Another desk let this guest in between our lookup and our update.
                rs->Open(CheckinQueries::entryTime(LastConviteID), m_ConnSqlServer);
                verdict = CheckinVerdict::enteredElsewhere(rs->Fields("checked_in").Value());
                rs->Close();
            } else {
                rememberWrittenEntry();
            }
        }
        ShowMessage(verdict.kind, verdict.text, verdict.callSign);
        unlockAfterVerdict();
        afterVerdict(verdict.kind == 1 ? "accepted" : "used", v.entryTime);
    } catch (...) {
        const CurrentError error = currentError();
        // After a failure the desk unlocks at once.
        m_Timer1->setInterval(1);
        const CheckinVerdict verdict = CheckinVerdict::failure(error.description);
        ShowMessage(verdict.kind, verdict.text, verdict.callSign);
        unsetCursor();
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("VerifyCode"), error.number,
                                 error.description);
        afterVerdict("error");
    }
}

void frmMain::rememberWrittenEntry()
{
    // The entry is written: a failure to read its time back only means that it cannot be
    // undone from this desk, never a failed check-in.
    try {
        Recordset rs;
        rs.Open(CheckinQueries::entryTime(LastConviteID), m_ConnSqlServer);
        if (!rs.Eof())
            m_writtenEntryTime = rs.Fields("checked_in").Value();
        rs.Close();
    } catch (...) {
        m_writtenEntryTime = Value::null();
        ErrorReporting::formTail(QStringLiteral("frmMain"), QStringLiteral("VerifyCode"));
    }
}

void frmMain::unlockAfterVerdict()
{
    // The verdict stays on screen; the timer gives the entry box back after two seconds.
    unsetCursor();
    m_Timer1->setInterval(2000);
}

ConnectionRef &frmMain::organisationConnection(int32_t source)
{
    return source == 1 ? m_ConnZELMAR : ConnKORDA;
}

#pragma once

#include "data/connection.h"
#include "data/value.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

// The desk's own copy of what a verdict needs, for the door to go on when the check-in
// database cannot be reached: every invitation of tbConvites (convite_id, convite_no,
// socio_id, no_tap, nome, call_in, base_dados, checked_in) and, for invited members, the
// eight member-panel fields found by the check-in's own rules (by member id in the issuing
// organisation, else by company number in ZELMAR, then KORDA). Photographs are not copied.
//
// An SQLite file beside the journal ($QUORVET_REPLICA, else $XDG_STATE_HOME/quorvet/replica.db)
// holding members' personal data: it is created mode 0600 in a folder only the user can
// enter (a missing folder is made 0700, the user's own default folder is set to 0700, any
// other folder that others can read or enter is refused). Every fill is one transaction on the file, so a reader always
// sees a whole copy, the last one that committed; the copy's time (this desk's clock when the read began) is stored
// with it.
//
// A plain class: its fills run on whatever thread calls them with connections of that
// thread (ReplicaRefresher runs them away from the window). Failures raise RuntimeError;
// a failed fill leaves the previous copy as it was.
class LocalReplica
{
public:
    // The eight member-panel columns of vwAssociados_Completos, top row of the panel first.
    static const QStringList &panelColumns();

    struct Invitation
    {
        int32_t conviteId = 0;
        QString conviteNo;
        Value socioId, noTap, nome, callIn, baseDados, checkedIn; // Null where the row holds Null
        // Where the member was found (1 ZELMAR, 2 KORDA; 0 not found or not a member), its
        // contacto_id and the panel values in panelColumns() order (Null when not found).
        int32_t memberSource = 0;
        int32_t memberId = 0;
        std::vector<Value> panel;
    };

    explicit LocalReplica(QString path = defaultPath());

    static QString defaultPath();
    // False when QUORVET_OFFLINE is "off": no copy is made.
    static bool enabled();
    // Deletes the copy and SQLite's side files; true when none is left. `error` says why not.
    static bool forget(const QString &path, QString *error);

    const QString &path() const { return m_path; }
    // The copy as the embedded store's provider opens it, so that the desk's own queries (the
    // guest search) read it with SQL Server's collations: its table is invitations.
    QString connectionString() const;

    // Progress of a fill, 0 to 100, readable from any thread while the fill runs.
    using Progress = std::function<void(int percent)>;

    // A flag another thread sets to end a fill or refresh early: it stops at the next row
    // read or the next step of the local store's work with a RuntimeError, and the copy on
    // file stays as it was. The flag must outlive the calls.
    void stopWhen(const std::atomic<bool> *flag) { m_stop = flag; }

    // The whole copy anew: members of both organisations, then every invitation, resolved here.
    void fillAll(const ConnectionRef &checkIn, const ConnectionRef &zelmar, const ConnectionRef &korda,
                 const Progress &progress = {});
    // Entry times only: the invitations whose entry time is at or after the latest one in the
    // copy (an invitation not yet in the copy waits for the next fillAll). Undos are not seen
    // here; fillAll catches them.
    void refreshEntries(const ConnectionRef &checkIn);

    // The copy's time; nullopt when there is no copy yet.
    std::optional<QDateTime> copiedAt() const;
    // The invitation of a number as the copy holds it; nullopt when it is not in the copy.
    std::optional<Invitation> invitation(const QString &conviteNo) const;
    int64_t invitationCount() const;
    // The invitations with an entry time in the copy.
    int64_t entryCount() const;

    // A Value as the copy stores it and gives it back (dates to the millisecond, texts, numbers).
    static Value stored(const Value &value);

private:
    void throwIfStopped() const;

    QString m_path;
    const std::atomic<bool> *m_stop = nullptr;
};

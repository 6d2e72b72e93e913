#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The named sample members and the invitations with fixed numbers that demonstrate every
// road of a check-in. Everything here is fixed data except the entry times, which are
// given relative to the day the databases are built ("today at 09:05"). Plain values,
// no ownership; nothing here fails.
namespace DemoSamples {

constexpr int Zelmar = 1;
constexpr int Korda = 2;

// Id ranges: the two organisations never share a contacto_id or a company number, so a
// member id sent to the wrong organisation finds nothing (invitation 1004 relies on it).
constexpr int64_t ZelmarBulkContactBase = 1000000;
constexpr int64_t KordaBulkContactBase = 3000000;
constexpr int64_t ZelmarBulkCompanyBase = 5000000;
constexpr int64_t KordaBulkCompanyBase = 7000000;
constexpr int64_t BulkInvitationBase = 200000;
constexpr int64_t MaxMembers = 1000000;
constexpr int64_t MaxInvitations = 10000000;
// A member id that no organisation has.
constexpr int64_t MissingContactId = 999999;

enum class Photo { None, Portrait, Broken };

struct Member
{
    int organisation;
    int64_t contactoId;
    QString noEmpresa;
    int64_t noSocio;
    QString nome;
    QString dnascimento;
    int empresaId;
    int baseId;
    QString morada; // a null QString is stored as NULL
    QString codpostal;
    QString localidade;
    Photo photo;
};

struct Invitation
{
    QString conviteNo;
    std::optional<int64_t> socioId; // nullopt is stored as NULL
    QString noTap;                  // a null QString is stored as NULL
    QString nome;
    QString callIn; // a null QString is stored as NULL
    int baseDados;
    QString checkedIn; // "yyyy-mm-dd hh:mm:ss", or a null QString for NULL
    QString kind;      // what the invitation demonstrates
    QString expected;  // what the desk shows for it
};

const QList<Member> &members();
const Member &member(int64_t contactoId);
QList<Invitation> invitations(const QDate &today);
// Company numbers listed in tbConvites_VIPs.
QStringList vipCompanyNumbers();

// Rows of tbEmpresas and tbBases, ids starting at 1.
const QStringList &companies();
const QStringList &bases();
QString organisationName(int organisation);

// Folder name of an organisation's photographs below the archive folder ("ze" or "ko").
QString photoFolder(int organisation);
// tbContactos_Fotos.path of a sample member, relative to the archive folder. Odd ids are
// written with "\" separators, even ids with "/", as both occur in the archives.
QString photoPath(const Member &member);

// The invitation table printed by --list.
QString listing(const QDate &today);

} // namespace DemoSamples

#pragma once

#include <QByteArray>
#include <QDate>

#include <cstdint>

// Generated members and invitations for large demo sets. Every row is a pure function of
// (organisation, index, seed), so an invitation can name the very member it points at
// without keeping the members in memory, and the same seed gives the same databases.
// Texts are UTF-8; a null QByteArray stands for a NULL column.
namespace BulkData {

// Shared portraits per organisation that the generated members' photographs point at.
constexpr int SharedPortraits = 6;

struct MemberRow
{
    int64_t contactoId = 0;
    QByteArray noEmpresa;
    int64_t noSocio = 0;
    QByteArray nome;
    QByteArray dnascimento;
    QByteArray morada;
    QByteArray codpostal;
    QByteArray localidade;
    int empresaId = 0;
    int baseId = 0;
    QByteArray photoPath; // relative to the archive folder; null when the member has none
};

struct InvitationRow
{
    QByteArray conviteNo;
    bool hasSocioId = false;
    int64_t socioId = 0;
    QByteArray noTap;
    QByteArray nome;
    QByteArray callIn;
    int baseDados = 0;
    QByteArray checkedIn;
};

// Member number index (0-based) of an organisation (1 ZELMAR, 2 KORDA).
MemberRow member(int organisation, int64_t index, uint64_t seed);

// Invitation number index (0-based). With membersPerOrganisation > 0 most invitations point
// at a generated member; the rest are guests without a member record. About one in five has
// already been used earlier on the given day.
InvitationRow invitation(int64_t index, int64_t membersPerOrganisation, uint64_t seed, const QDate &today);

// Relative path of shared portrait n (0-based) of an organisation.
QByteArray sharedPortraitPath(int organisation, int n);

// A well-mixed 64-bit hash (splitmix64 finaliser) used for every random choice.
uint64_t mix(uint64_t value);

} // namespace BulkData

#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// The invitation numbers a latency run checks in, chosen per kind of verdict from a demo
// check-in database. Numbers come from the generated part of the table only (the fixed
// demonstration invitations include deliberate error cases) and are spread over the whole
// table by a hash of the row id, so a run does not walk neighbouring rows. Each number is
// used once, so an accepted invitation is still unused when its turn comes.
// take() throws std::runtime_error when the database cannot be read.
namespace InvitationSample {

enum Kind { Accepted = 0, NotFound = 1, AlreadyUsed = 2, GuestWithCallSign = 3 };
constexpr int KindCount = 4;

// "accepted", "not found", "already used", "guest with call sign".
QString kindName(int kind);

// Up to count numbers of each kind from checkin.db; skip leaves out the first numbers of
// each kind so that two users of one database (the desk and the floor) get disjoint sets.
// Not-found numbers are made up above every number in the table.
// Number of rows of tbConvites.
int64_t invitationCount(const QString &checkinDb);

std::array<QStringList, KindCount> take(const QString &checkinDb, int count, int skip = 0);

} // namespace InvitationSample

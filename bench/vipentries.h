#pragma once

#include <QString>

#include <cstdint>

// Adds VIP guests who have entered to a working copy of a demo set: count new invitations
// in checkin.db with their own company numbers, an entry time and names taken from existing
// invitations, and those company numbers in korda.db's tbConvites_VIPs. Returns how many
// rows the VIP list query now gives (the demo set's own VIP entries included). Throws
// std::runtime_error on any SQLite failure.
namespace VipEntries {

int64_t add(const QString &workFolder, int count);

} // namespace VipEntries

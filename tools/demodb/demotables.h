#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

class SqliteFile;

// Fills the tables of a demo database whose schema already exists (demoschema.h): the named
// samples first, then the generated rows, each table inside one transaction with prepared
// statements so that a million rows take seconds. Throws RuntimeError on any SQLite failure;
// the file is then unfinished and must be thrown away.
namespace DemoTables {

// tbEmpresas, tbBases, tbContactos, tbAssociados, tbContactos_Fotos and tbDefs of one
// organisation; archiveFolder is the absolute path stored in tbDefs.arquivodocumental.
void writeMembers(SqliteFile &db, int organisation, const QString &archiveFolder, int64_t generatedMembers,
                  uint64_t seed);

// tbConvites: the fixed sample invitations, then generated ones numbered from 200000.
void writeInvitations(SqliteFile &db, const QDate &today, int64_t generatedInvitations, int64_t membersPerOrganisation,
                      uint64_t seed);

// tbConvites_VIPs.
void writeVips(SqliteFile &db);

int sampleMemberCount(int organisation);

} // namespace DemoTables

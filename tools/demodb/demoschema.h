#pragma once

class SqliteFile;

// The tables, view and indexes of the demo databases, as the desk reads them.
// checkin.db holds the check-in table and ZELMAR's member tables; korda.db holds KORDA's
// member tables and the VIP table (the desk attaches checkin.db to KORDA's connection so the
// VIP query finds tbConvites). Tables are created empty and without secondary indexes;
// createXxxIndexes runs after the bulk load, which is much faster than keeping them updated.
// Every function throws RuntimeError when SQLite refuses a statement.
namespace DemoSchema {

// tbConvites: one row per invitation.
void createCheckinTables(SqliteFile &db);
void createCheckinIndexes(SqliteFile &db);

// tbEmpresas, tbBases, tbContactos, tbAssociados, tbContactos_Fotos, tbDefs and the view
// vwAssociados_Completos of one organisation.
void createMemberTables(SqliteFile &db);
void createMemberIndexes(SqliteFile &db);

// tbConvites_VIPs: company numbers of the VIP guests (each at most once).
void createVipTables(SqliteFile &db);
void createVipIndexes(SqliteFile &db);

} // namespace DemoSchema

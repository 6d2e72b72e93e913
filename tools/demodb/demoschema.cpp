#include "tools/demodb/demoschema.h"

#include "tools/demodb/sqlitefile.h"

// The columns are declared as an event's SQL Server database declares them: codes VARCHAR or
// CHAR, names NVARCHAR, entries DATETIME. Date-time columns are declared DATETIME: the embedded
// provider turns columns declared DATETIME or DATE into dates, and the values are stored as
// "yyyy-mm-dd hh:mm:ss". Every text column and so every index on one compares with the
// server's default collation (registered by SqlServerCollation on each connection), so that
// a scan of "ab7" finds "AB7" through the index.
#define CI " COLLATE SQL_Latin1_General_CP1_CI_AS"

void DemoSchema::createCheckinTables(SqliteFile &db)
{
    db.exec(QByteArrayLiteral("CREATE TABLE tbConvites ("
                              " convite_id INTEGER PRIMARY KEY,"
                              " convite_no VARCHAR(20)" CI " NOT NULL,"
                              " socio_id INTEGER NULL,"
                              " no_tap VARCHAR(20)" CI " NULL,"
                              " nome NVARCHAR(100)" CI " NULL,"
                              " call_in VARCHAR(20)" CI " NULL,"
                              " base_dados INTEGER NULL,"
                              " checked_in DATETIME NULL)"));
}

void DemoSchema::createCheckinIndexes(SqliteFile &db)
{
    db.exec(QByteArrayLiteral("CREATE UNIQUE INDEX ixConvites_convite_no ON tbConvites (convite_no)"));
    // The live entry count, every few seconds on every desk, reads only the entered
    // invitations: 10 ms instead of 80 ms at a million, off the check-ins' processor time.
    // base_dados and socio_id make it cover the statistics window's counts per organisation,
    // which then read the invitations still to come (or those entered) of each organisation as
    // one range, never the table. A check-in writes this index whether it holds them or not.
    db.exec(QByteArrayLiteral("CREATE INDEX ixConvites_checked_in ON tbConvites (checked_in, base_dados, socio_id)"));
    // The statistics window's invitations per organisation: one pass in base_dados order,
    // without the table. No check-in writes it.
    db.exec(QByteArrayLiteral("CREATE INDEX ixConvites_base_dados ON tbConvites (base_dados, socio_id)"));
    // The statistics window's VIP count looks each VIP number up here instead of reading every
    // invitation. (The VIP list reads tbConvites from end to end in name order, its left join
    // keeping tbConvites as the outer table.)
    db.exec(QByteArrayLiteral("CREATE INDEX ixConvites_no_tap ON tbConvites (no_tap)"));
    // The guest search lists by name and stops at its 51st match: walking this index in
    // name order (both searched columns in it) ends a common name's search after a few rows.
    // It holds every column the search and the VIP list read, so neither visits the table:
    // with (nome, no_tap) alone SQLite walks it for the VIP list's ORDER BY nome and looks
    // every one of the invitations up in the table, 3.5 s at a million instead of 0.2 s.
    db.exec(QByteArrayLiteral("CREATE INDEX ixConvites_nome ON tbConvites (nome, no_tap, checked_in, convite_no)"));
}

void DemoSchema::createMemberTables(SqliteFile &db)
{
    // tbContactos_Fotos has no no_empresa column on purpose: the photo query names
    // no_empresa without a table, so only tbAssociados may carry it.
    db.exec(QByteArrayLiteral("CREATE TABLE tbEmpresas ("
                              " empresa_id INTEGER PRIMARY KEY,"
                              " empresa NVARCHAR(100)" CI " NOT NULL);"
                              "CREATE TABLE tbBases ("
                              " base_id INTEGER PRIMARY KEY,"
                              " base NVARCHAR(50)" CI " NOT NULL);"
                              "CREATE TABLE tbContactos ("
                              " contacto_id INTEGER PRIMARY KEY,"
                              " nome NVARCHAR(100)" CI " NOT NULL,"
                              " dnascimento DATETIME NULL,"
                              " morada NVARCHAR(200)" CI " NULL,"
                              " codpostal VARCHAR(10)" CI " NULL,"
                              " localidade NVARCHAR(100)" CI " NULL,"
                              " telemovel VARCHAR(20)" CI " NULL);"
                              "CREATE TABLE tbAssociados ("
                              " associado_id INTEGER PRIMARY KEY,"
                              " contacto_id INTEGER NOT NULL REFERENCES tbContactos (contacto_id),"
                              " no_empresa VARCHAR(20)" CI " NULL,"
                              " no_socio INTEGER NULL,"
                              " empresa_id INTEGER NULL REFERENCES tbEmpresas (empresa_id),"
                              " base_id INTEGER NULL REFERENCES tbBases (base_id),"
                              " dadmissao DATETIME NULL);"
                              "CREATE TABLE tbContactos_Fotos ("
                              " foto_id INTEGER PRIMARY KEY,"
                              " contacto_id INTEGER NOT NULL,"
                              " path VARCHAR(260)" CI " NOT NULL);"
                              "CREATE TABLE tbDefs ("
                              " defs_id INTEGER PRIMARY KEY,"
                              " organizacao NVARCHAR(100)" CI " NULL,"
                              " arquivodocumental VARCHAR(260)" CI " NULL);"
                              "CREATE VIEW vwAssociados_Completos AS SELECT"
                              " tbContactos.contacto_id AS contacto_id,"
                              " tbAssociados.no_empresa AS no_empresa,"
                              " tbContactos.nome AS nome_union,"
                              " tbAssociados.no_socio AS no_socio,"
                              " tbContactos.dnascimento AS dnascimento,"
                              " tbEmpresas.empresa AS empresa,"
                              " tbBases.base AS base,"
                              " tbContactos.morada AS morada,"
                              " tbContactos.localidade AS localidade"
                              " FROM tbAssociados"
                              " INNER JOIN tbContactos ON tbContactos.contacto_id = tbAssociados.contacto_id"
                              " LEFT JOIN tbEmpresas ON tbEmpresas.empresa_id = tbAssociados.empresa_id"
                              " LEFT JOIN tbBases ON tbBases.base_id = tbAssociados.base_id;"));
}

void DemoSchema::createMemberIndexes(SqliteFile &db)
{
    // tbContactos.contacto_id is the row id, so it needs no index of its own.
    db.exec(QByteArrayLiteral("CREATE INDEX ixAssociados_contacto_id ON tbAssociados (contacto_id);"
                              "CREATE INDEX ixAssociados_no_empresa ON tbAssociados (no_empresa);"
                              "CREATE INDEX ixContactos_Fotos_contacto_id ON tbContactos_Fotos (contacto_id);"));
}

void DemoSchema::createVipTables(SqliteFile &db)
{
    db.exec(QByteArrayLiteral("CREATE TABLE tbConvites_VIPs ("
                              " vip_id INTEGER PRIMARY KEY,"
                              " no_empresa VARCHAR(20)" CI " NOT NULL,"
                              " descricao NVARCHAR(100)" CI " NULL)"));
}

void DemoSchema::createVipIndexes(SqliteFile &db)
{
    // Unique: a company number listed twice would list the same entry twice in the VIP window.
    db.exec(QByteArrayLiteral("CREATE UNIQUE INDEX ixConvites_VIPs_no_empresa ON tbConvites_VIPs (no_empresa)"));
}

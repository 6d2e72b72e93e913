#include "tools/demodb/demotables.h"

#include "tools/demodb/bulkdata.h"
#include "tools/demodb/demosamples.h"
#include "tools/demodb/sqlitefile.h"

namespace {

// A null text is stored as NULL.
void bindText(SqliteStatement &statement, int index, const QString &text)
{
    if (text.isNull())
        statement.bindNull(index);
    else
        statement.bind(index, text);
}

void bindBytes(SqliteStatement &statement, int index, const QByteArray &utf8)
{
    if (utf8.isNull())
        statement.bindNull(index);
    else
        statement.bind(index, utf8);
}

// Inserts of the three member tables, bound in the same order for samples and generated rows.
struct MemberStatements
{
    explicit MemberStatements(SqliteFile &db)
        : contact(db.prepare("INSERT INTO tbContactos (contacto_id, nome, dnascimento, morada, codpostal, localidade)"
                             " VALUES (?1, ?2, ?3, ?4, ?5, ?6)")),
          associate(db.prepare("INSERT INTO tbAssociados (contacto_id, no_empresa, no_socio, empresa_id, base_id)"
                               " VALUES (?1, ?2, ?3, ?4, ?5)")),
          photo(db.prepare("INSERT INTO tbContactos_Fotos (contacto_id, path) VALUES (?1, ?2)"))
    {
    }

    SqliteStatement contact;
    SqliteStatement associate;
    SqliteStatement photo;
};

} // namespace

int DemoTables::sampleMemberCount(int organisation)
{
    int count = 0;
    for (const DemoSamples::Member &m : DemoSamples::members())
        count += m.organisation == organisation ? 1 : 0;
    return count;
}

void DemoTables::writeMembers(SqliteFile &db, int organisation, const QString &archiveFolder, int64_t generatedMembers,
                              uint64_t seed)
{
    db.exec("BEGIN");
    {
        SqliteStatement company = db.prepare("INSERT INTO tbEmpresas (empresa_id, empresa) VALUES (?1, ?2)");
        for (int i = 0; i < DemoSamples::companies().size(); ++i) {
            company.bind(1, int64_t(i + 1));
            company.bind(2, DemoSamples::companies().at(i));
            company.run();
        }
        SqliteStatement base = db.prepare("INSERT INTO tbBases (base_id, base) VALUES (?1, ?2)");
        for (int i = 0; i < DemoSamples::bases().size(); ++i) {
            base.bind(1, int64_t(i + 1));
            base.bind(2, DemoSamples::bases().at(i));
            base.run();
        }
        SqliteStatement defs = db.prepare("INSERT INTO tbDefs (organizacao, arquivodocumental) VALUES (?1, ?2)");
        defs.bind(1, DemoSamples::organisationName(organisation));
        defs.bind(2, archiveFolder);
        defs.run();
    }
    db.exec("COMMIT");

    db.exec("BEGIN");
    {
        MemberStatements insert(db);
        for (const DemoSamples::Member &m : DemoSamples::members()) {
            if (m.organisation != organisation)
                continue;
            insert.contact.bind(1, m.contactoId);
            insert.contact.bind(2, m.nome);
            bindText(insert.contact, 3, m.dnascimento);
            bindText(insert.contact, 4, m.morada);
            bindText(insert.contact, 5, m.codpostal);
            bindText(insert.contact, 6, m.localidade);
            insert.contact.run();
            insert.associate.bind(1, m.contactoId);
            insert.associate.bind(2, m.noEmpresa);
            insert.associate.bind(3, m.noSocio);
            insert.associate.bind(4, int64_t(m.empresaId));
            insert.associate.bind(5, int64_t(m.baseId));
            insert.associate.run();
            if (m.photo != DemoSamples::Photo::None) {
                insert.photo.bind(1, m.contactoId);
                insert.photo.bind(2, DemoSamples::photoPath(m));
                insert.photo.run();
            }
        }
        for (int64_t i = 0; i < generatedMembers; ++i) {
            const BulkData::MemberRow row = BulkData::member(organisation, i, seed);
            insert.contact.bind(1, row.contactoId);
            insert.contact.bind(2, row.nome);
            bindBytes(insert.contact, 3, row.dnascimento);
            bindBytes(insert.contact, 4, row.morada);
            bindBytes(insert.contact, 5, row.codpostal);
            bindBytes(insert.contact, 6, row.localidade);
            insert.contact.run();
            insert.associate.bind(1, row.contactoId);
            insert.associate.bind(2, row.noEmpresa);
            insert.associate.bind(3, row.noSocio);
            insert.associate.bind(4, int64_t(row.empresaId));
            insert.associate.bind(5, int64_t(row.baseId));
            insert.associate.run();
            if (!row.photoPath.isNull()) {
                insert.photo.bind(1, row.contactoId);
                insert.photo.bind(2, row.photoPath);
                insert.photo.run();
            }
        }
    }
    db.exec("COMMIT");
}

void DemoTables::writeInvitations(SqliteFile &db, const QDate &today, int64_t generatedInvitations,
                                  int64_t membersPerOrganisation, uint64_t seed)
{
    db.exec("BEGIN");
    {
        SqliteStatement insert = db.prepare(
            "INSERT INTO tbConvites (convite_no, socio_id, no_tap, nome, call_in, base_dados, checked_in)"
            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        for (const DemoSamples::Invitation &invitation : DemoSamples::invitations(today)) {
            insert.bind(1, invitation.conviteNo);
            if (invitation.socioId)
                insert.bind(2, *invitation.socioId);
            else
                insert.bindNull(2);
            bindText(insert, 3, invitation.noTap);
            bindText(insert, 4, invitation.nome);
            bindText(insert, 5, invitation.callIn);
            insert.bind(6, int64_t(invitation.baseDados));
            bindText(insert, 7, invitation.checkedIn);
            insert.run();
        }
        for (int64_t i = 0; i < generatedInvitations; ++i) {
            const BulkData::InvitationRow row = BulkData::invitation(i, membersPerOrganisation, seed, today);
            insert.bind(1, row.conviteNo);
            if (row.hasSocioId)
                insert.bind(2, row.socioId);
            else
                insert.bindNull(2);
            bindBytes(insert, 3, row.noTap);
            bindBytes(insert, 4, row.nome);
            bindBytes(insert, 5, row.callIn);
            insert.bind(6, int64_t(row.baseDados));
            bindBytes(insert, 7, row.checkedIn);
            insert.run();
        }
    }
    db.exec("COMMIT");
}

void DemoTables::writeVips(SqliteFile &db)
{
    db.exec("BEGIN");
    {
        SqliteStatement insert = db.prepare("INSERT INTO tbConvites_VIPs (no_empresa, descricao) VALUES (?1, ?2)");
        for (const QString &number : DemoSamples::vipCompanyNumbers()) {
            insert.bind(1, number);
            insert.bind(2, QStringLiteral("Convidado de honra"));
            insert.run();
        }
    }
    db.exec("COMMIT");
}

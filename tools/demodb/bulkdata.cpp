#include "tools/demodb/bulkdata.h"

#include "tools/demodb/demosamples.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<const char *, 24> FirstNames = {
    "Ana",      "João",    "Maria",    "José",  "Francisca", "António", "Beatriz",  "Manuel",
    "Carolina", "Rui",     "Mariana",  "Paulo", "Inês",      "Luís",    "Rita",     "Miguel",
    "Sara",     "Ricardo", "Catarina", "Tomás", "Leonor",    "Gonçalo", "Patrícia", "Duarte"};

constexpr std::array<const char *, 28> Surnames = {
    "Silva",   "Santos",  "Ferreira",  "Pereira",   "Oliveira", "Costa",    "Rodrigues",
    "Martins", "Sousa",   "Fernandes", "Gonçalves", "Gomes",    "Lopes",    "Marques",
    "Alves",   "Almeida", "Ribeiro",   "Pinto",     "Carvalho", "Teixeira", "Moreira",
    "Correia", "Mendes",  "Nunes",     "Soares",    "Vieira",   "Monteiro", "Cardoso"};

constexpr std::array<const char *, 12> Streets = {"Rua da Liberdade",
                                                  "Avenida da República",
                                                  "Rua do Comércio",
                                                  "Rua Direita",
                                                  "Largo do Rossio",
                                                  "Rua de São Bento",
                                                  "Avenida 5 de Outubro",
                                                  "Rua das Flores",
                                                  "Travessa da Fé",
                                                  "Rua do Sol",
                                                  "Avenida Infante Dom Henrique",
                                                  "Rua dos Pescadores"};

// Localities with their postal code prefix and the id of the nearest base.
struct Locality
{
    const char *name;
    const char *postal;
    int baseId;
};
constexpr std::array<Locality, 10> Localities = {{{"Lisboa", "1000", 1},
                                                  {"Amadora", "2700", 1},
                                                  {"Oeiras", "2780", 1},
                                                  {"Sintra", "2710", 1},
                                                  {"Porto", "4000", 2},
                                                  {"Matosinhos", "4450", 2},
                                                  {"Vila Nova de Gaia", "4400", 2},
                                                  {"Faro", "8000", 3},
                                                  {"Funchal", "9000", 4},
                                                  {"Ponta Delgada", "9500", 5}}};

template<typename List>
const char *pick(const List &list, uint64_t hash)
{
    return list[hash % list.size()];
}

QByteArray personName(uint64_t hash)
{
    QByteArray name(pick(FirstNames, hash));
    name += ' ';
    name += pick(Surnames, hash >> 16);
    name += ' ';
    name += pick(Surnames, hash >> 32);
    return name;
}

QByteArray dateText(const QDate &date, int hour, int minute)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:00", date.year(), date.month(), date.day(), hour,
                  minute);
    return QByteArray(buffer);
}

} // namespace

uint64_t BulkData::mix(uint64_t value)
{
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

QByteArray BulkData::sharedPortraitPath(int organisation, int n)
{
    // Half of the shared paths use Windows separators, as the archives hold both.
    const char separator = (n % 2) ? '\\' : '/';
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "fotos%ccomum%cretrato-%s-%02d.jpg", separator, separator,
                  organisation == DemoSamples::Zelmar ? "ze" : "ko", n + 1);
    return QByteArray(buffer);
}

BulkData::MemberRow BulkData::member(int organisation, int64_t index, uint64_t seed)
{
    const bool zelmar = organisation == DemoSamples::Zelmar;
    const uint64_t hash = mix(mix(seed ^ (uint64_t(organisation) << 56)) ^ uint64_t(index));
    const uint64_t second = mix(hash);
    MemberRow row;
    row.contactoId = (zelmar ? DemoSamples::ZelmarBulkContactBase : DemoSamples::KordaBulkContactBase) + index;
    row.noEmpresa = QByteArray::number(
        qlonglong((zelmar ? DemoSamples::ZelmarBulkCompanyBase : DemoSamples::KordaBulkCompanyBase) + index));
    row.noSocio = (zelmar ? 10000 : 60000) + index;
    row.nome = personName(hash);
    const QDate birth = QDate(1950, 1, 1).addDays(qint64(second % 18250));
    row.dnascimento = dateText(birth, 0, 0);
    const Locality &locality = Localities[(second >> 20) % Localities.size()];
    if ((second >> 28) % 20 != 0) { // one in twenty has no address on file
        row.morada = QByteArray(pick(Streets, second >> 32)) + ", " + QByteArray::number(int(1 + (second >> 40) % 300));
        row.codpostal = QByteArray(locality.postal) + '-' + QByteArray::number(int(100 + (second >> 48) % 900));
    }
    row.localidade = locality.name;
    row.empresaId = int(1 + (hash >> 48) % DemoSamples::companies().size());
    row.baseId = locality.baseId;
    if ((hash >> 56) % 10 != 0) // one in ten has no photograph
        row.photoPath = sharedPortraitPath(organisation, int((second >> 56) % SharedPortraits));
    return row;
}

BulkData::InvitationRow BulkData::invitation(int64_t index, int64_t membersPerOrganisation, uint64_t seed,
                                             const QDate &today)
{
    const uint64_t hash = mix(mix(seed ^ 0x5157u) ^ uint64_t(index));
    InvitationRow row;
    row.conviteNo = QByteArray::number(qlonglong(DemoSamples::BulkInvitationBase + index));
    row.baseDados = int(1 + (hash & 1));
    if (membersPerOrganisation > 0 && (hash >> 8) % 100 >= 12) {
        const MemberRow m = member(row.baseDados, int64_t((hash >> 16) % uint64_t(membersPerOrganisation)), seed);
        row.hasSocioId = true;
        row.socioId = m.contactoId;
        row.noTap = m.noEmpresa;
        row.nome = m.nome;
    } else {
        row.nome = personName(mix(hash));
        if ((hash >> 16) % 3 == 0)
            row.callIn = 'X' + QByteArray::number(int(1 + (hash >> 24) % 99));
    }
    if ((hash >> 40) % 5 == 0) {
        const int minutes = int((hash >> 44) % 600);
        row.checkedIn = dateText(today, 8 + minutes / 60, minutes % 60);
    }
    return row;
}

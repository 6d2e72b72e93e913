#include "tools/demodb/demosamples.h"

#include <QDateTime>

namespace {

using DemoSamples::Member;
using DemoSamples::Photo;

const QString Null;

QList<Member> makeMembers()
{
    using DemoSamples::Korda;
    using DemoSamples::Zelmar;
    return {
        {Zelmar, 101, QStringLiteral("310101"), 1201, QStringLiteral("Ana Catarina Moreira Lopes"),
         QStringLiteral("1978-04-12 00:00:00"), 1, 1, QStringLiteral("Rua das Amoreiras, 14, 3.º Esq."),
         QStringLiteral("1250-020"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Zelmar, 102, QStringLiteral("310102"), 1202, QStringLiteral("Rui Miguel Ferreira Santos"),
         QStringLiteral("1969-11-03 00:00:00"), 2, 2, QStringLiteral("Avenida da Boavista, 1250"),
         QStringLiteral("4100-115"), QStringLiteral("Porto"), Photo::Portrait},
        {Zelmar, 103, QStringLiteral("310103"), 1203, QStringLiteral("Maria Helena Sá Carvalho"),
         QStringLiteral("1983-02-27 00:00:00"), 1, 1, QStringLiteral("Travessa do Carmo, 3"),
         QStringLiteral("1200-095"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Zelmar, 104, QStringLiteral("310104"), 1204, QStringLiteral("João Pedro Antunes Barros"),
         QStringLiteral("1960-07-19 00:00:00"), 3, 3, Null, QStringLiteral("8000-138"), QStringLiteral("Faro"),
         Photo::Portrait},
        {Zelmar, 105, QStringLiteral("310105"), 1205, QStringLiteral("Sofia Isabel Rebelo Gonçalves"),
         QStringLiteral("1991-09-08 00:00:00"), 1, 4, QStringLiteral("Rua da Carreira, 88"), QStringLiteral("9000-042"),
         QStringLiteral("Funchal"), Photo::None},
        {Zelmar, 106, QStringLiteral("310106"), 1206, QStringLiteral("Tiago André Nunes Pires"),
         QStringLiteral("1975-05-30 00:00:00"), 4, 1, QStringLiteral("Rua Augusta, 210, 2.º"),
         QStringLiteral("1100-053"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Zelmar, 107, QStringLiteral("310107"), 1207, QStringLiteral("Inês Margarida Coelho Matos"),
         QStringLiteral("1987-12-01 00:00:00"), 2, 2, QStringLiteral("Rua de Santa Catarina, 402"),
         QStringLiteral("4000-446"), QStringLiteral("Porto"), Photo::Portrait},
        {Zelmar, 108, QStringLiteral("310108"), 1208, QStringLiteral("Beatriz Alexandra Vaz Teixeira"),
         QStringLiteral("1972-03-22 00:00:00"), 1, 1, QStringLiteral("Avenida de Roma, 55, 7.º Dto."),
         QStringLiteral("1700-342"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Zelmar, 109, QStringLiteral("310109"), 1209, QStringLiteral("Francisco José Brandão Lima"),
         QStringLiteral("1965-08-14 00:00:00"), 3, 5, QStringLiteral("Rua Ernesto do Canto, 9"),
         QStringLiteral("9500-312"), QStringLiteral("Ponta Delgada"), Photo::Portrait},
        {Korda, 201, QStringLiteral("420201"), 2301, QStringLiteral("Pedro Manuel Oliveira Costa"),
         QStringLiteral("1980-01-16 00:00:00"), 1, 1, QStringLiteral("Rua Morais Soares, 120, 1.º"),
         QStringLiteral("1900-346"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Korda, 202, QStringLiteral("420202"), 2302, QStringLiteral("Luísa Fernanda Guerreiro Dias"),
         QStringLiteral("1974-06-09 00:00:00"), 2, 2, QStringLiteral("Rua do Almada, 31"), QStringLiteral("4050-036"),
         QStringLiteral("Porto"), Photo::Portrait},
        {Korda, 203, QStringLiteral("420203"), 2303, QStringLiteral("Vasco Henrique Simões Rocha"),
         QStringLiteral("1958-10-25 00:00:00"), 1, 1, QStringLiteral("Calçada da Estrela, 77"),
         QStringLiteral("1200-661"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Korda, 204, QStringLiteral("420204"), 2304, QStringLiteral("Marta Cristina Fonseca Leal"),
         QStringLiteral("1989-04-04 00:00:00"), 4, 3, QStringLiteral("Rua de Santo António, 18"),
         QStringLiteral("8000-283"), QStringLiteral("Faro"), Photo::Broken},
        {Korda, 205, QStringLiteral("420205"), 2305, QStringLiteral("Carlos Eduardo Tavares Neves"),
         QStringLiteral("1970-02-11 00:00:00"), 2, 1, QStringLiteral("Avenida Almirante Reis, 240"),
         QStringLiteral("1000-056"), QStringLiteral("Lisboa"), Photo::Portrait},
        {Korda, 206, QStringLiteral("420206"), 2306, QStringLiteral("Alice Marques Gouveia"),
         QStringLiteral("1985-09-17 00:00:00"), 3, 4, QStringLiteral("Rua dos Ferreiros, 6"),
         QStringLiteral("9000-082"), QStringLiteral("Funchal"), Photo::Portrait},
        {Korda, 207, QStringLiteral("420207"), 2307, QStringLiteral("Nuno Ricardo Valente Cruz"),
         QStringLiteral("1977-12-29 00:00:00"), 1, 2, QStringLiteral("Rua de Cedofeita, 500"),
         QStringLiteral("4050-174"), QStringLiteral("Porto"), Photo::Portrait},
    };
}

QString at(const QDate &day, int hour, int minute)
{
    return QDateTime(day, QTime(hour, minute)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

const QList<Member> &DemoSamples::members()
{
    static const QList<Member> list = makeMembers();
    return list;
}

const Member &DemoSamples::member(int64_t contactoId)
{
    for (const Member &m : members()) {
        if (m.contactoId == contactoId)
            return m;
    }
    Q_UNREACHABLE();
}

QList<DemoSamples::Invitation> DemoSamples::invitations(const QDate &today)
{
    const QDate yesterday = today.addDays(-1);
    const auto memberInvitation = [](const QString &number, int64_t contactoId, int baseDados, const QString &checkedIn,
                                     const QString &kind, const QString &expected) {
        const Member &m = member(contactoId);
        return Invitation{number, contactoId, m.noEmpresa, m.nome, Null, baseDados, checkedIn, kind, expected};
    };
    const Member &foundByNumber = member(202);
    const QString accepted = QStringLiteral("\"Convite OK!\"");
    return {
        memberInvitation(QStringLiteral("1001"), 101, Zelmar, Null, QStringLiteral("ZELMAR member, not entered"),
                         accepted + QStringLiteral(", panel and photograph from ZELMAR")),
        memberInvitation(QStringLiteral("1002"), 201, Korda, Null, QStringLiteral("KORDA member, not entered"),
                         accepted + QStringLiteral(", panel and photograph from KORDA")),
        Invitation{QStringLiteral("1003"), MissingContactId, foundByNumber.noEmpresa, foundByNumber.nome, Null, Zelmar,
                   Null, QStringLiteral("member id unknown, found by company number in KORDA"),
                   accepted + QStringLiteral(", panel and photograph from KORDA")},
        memberInvitation(QStringLiteral("1004"), 102, Korda, Null,
                         QStringLiteral("base_dados 2, member only in ZELMAR (by company number)"),
                         accepted + QStringLiteral(", panel and photograph from ZELMAR")),
        Invitation{QStringLiteral("1005"), std::nullopt, Null, QStringLiteral("Henrique Baptista Correia"),
                   QStringLiteral("X1"), Zelmar, Null, QStringLiteral("guest without member record, call sign X1"),
                   QStringLiteral("\"Convite OK! (CALL: X1)\", name only")},
        Invitation{QStringLiteral("1006"), std::nullopt, Null, QStringLiteral("Teresa Vieira Campos"), Null, Korda,
                   Null, QStringLiteral("guest without member record, no call sign"),
                   accepted + QStringLiteral(", name only")},
        memberInvitation(QStringLiteral("1007"), 103, Zelmar, at(today, 9, 5),
                         QStringLiteral("ZELMAR member, entered today at 09:05"),
                         QStringLiteral("\"Convite expirado. Já entrou às 09:05\"")),
        memberInvitation(QStringLiteral("1008"), 203, Korda, at(today, 9, 12), QStringLiteral("VIP, entered at 09:12"),
                         QStringLiteral("\"Convite expirado. Já entrou às 09:12\"; in the VIP list")),
        memberInvitation(QStringLiteral("1009"), 104, Zelmar, Null,
                         QStringLiteral("VIP, not entered (member without address)"),
                         accepted + QStringLiteral(", empty Morada; joins the VIP list")),
        memberInvitation(QStringLiteral("1010"), 105, Zelmar, Null, QStringLiteral("member without photograph"),
                         accepted + QStringLiteral(", panel without photograph")),
        memberInvitation(QStringLiteral("1011"), 204, Korda, Null,
                         QStringLiteral("member whose photograph file is broken"),
                         accepted + QStringLiteral(", panel, photograph cannot be shown")),
        Invitation{QStringLiteral("1012"), 0, Null, QStringLiteral("Joana D'Almeida"), QString(QLatin1String("")),
                   Zelmar, Null, QStringLiteral("guest with an apostrophe in the name (socio_id 0)"),
                   accepted + QStringLiteral(", name only")},
        memberInvitation(QStringLiteral("1013"), 106, 0, Null, QStringLiteral("base_dados 0 with a member id"),
                         QStringLiteral("\"Erro no procedimento: ...\", nothing written")),
        memberInvitation(QStringLiteral("1014"), 107, Zelmar, at(yesterday, 21, 40),
                         QStringLiteral("ZELMAR member, entered yesterday at 21:40"),
                         QStringLiteral("\"Convite expirado. Já entrou às 21:40\"")),
        memberInvitation(QStringLiteral("1015"), 108, Zelmar, at(today, 10, 20),
                         QStringLiteral("VIP (ZELMAR member), entered at 10:20"),
                         QStringLiteral("\"Convite expirado. Já entrou às 10:20\"; in the VIP list")),
        memberInvitation(QStringLiteral("1016"), 205, Korda, at(today, 10, 47), QStringLiteral("VIP, entered at 10:47"),
                         QStringLiteral("\"Convite expirado. Já entrou às 10:47\"; in the VIP list")),
        memberInvitation(QStringLiteral("1017"), 206, Korda, at(today, 11, 3), QStringLiteral("VIP, entered at 11:03"),
                         QStringLiteral("\"Convite expirado. Já entrou às 11:03\"; in the VIP list")),
    };
}

QStringList DemoSamples::vipCompanyNumbers()
{
    // 207 is a VIP without an invitation: listed, but never in the VIP window.
    return {member(203).noEmpresa, member(104).noEmpresa, member(108).noEmpresa,
            member(205).noEmpresa, member(206).noEmpresa, member(207).noEmpresa};
}

const QStringList &DemoSamples::companies()
{
    static const QStringList list = {
        QStringLiteral("Aerolinhas Atlânticas, S.A."),
        QStringLiteral("Handling do Tejo, Lda."),
        QStringLiteral("Manutenção Aeronáutica Lusitana, S.A."),
        QStringLiteral("Catering Aéreo do Sul, Lda."),
    };
    return list;
}

const QStringList &DemoSamples::bases()
{
    static const QStringList list = {
        QStringLiteral("Lisboa"),  QStringLiteral("Porto"),         QStringLiteral("Faro"),
        QStringLiteral("Funchal"), QStringLiteral("Ponta Delgada"),
    };
    return list;
}

QString DemoSamples::organisationName(int organisation)
{
    return organisation == Zelmar ? QStringLiteral("ZELMAR - Sindicato do Pessoal de Terra")
                                  : QStringLiteral("KORDA - Associação do Pessoal de Voo");
}

QString DemoSamples::photoFolder(int organisation)
{
    return organisation == Zelmar ? QStringLiteral("ze") : QStringLiteral("ko");
}

QString DemoSamples::photoPath(const Member &m)
{
    const QString separator = (m.contactoId % 2) ? QStringLiteral("\\") : QStringLiteral("/");
    return QStringLiteral("fotos") + separator + photoFolder(m.organisation) + separator
           + QStringLiteral("%1.jpg").arg(m.contactoId, 6, 10, QLatin1Char('0'));
}

QString DemoSamples::listing(const QDate &today)
{
    QString text = QStringLiteral("Invitation  Kind (guest)\n            What the desk shows\n");
    for (const Invitation &invitation : invitations(today)) {
        text += QStringLiteral("%1  %2 (%3)\n            %4\n")
                    .arg(invitation.conviteNo, -10)
                    .arg(invitation.kind, invitation.nome, invitation.expected);
    }
    text += QStringLiteral("%1 and up: generated invitations (--invitations N)\n").arg(BulkInvitationBase);
    return text;
}

#include "app/servercheck.h"

#include "app/frmmain_design.h"
#include "data/checkinqueries.h"
#include "data/connection.h"
#include "data/dataenvironment.h"
#include "data/entrycounter.h"
#include "data/guestsearch.h"
#include "data/modtestconnection.h"
#include "data/recordset.h"
#include "data/sessionpool.h"
#include "forms/frmmainvips.h"
#include "idfotos/photoarchive.h"
#include "platform/runtimeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace {

using Status = ServerCheck::Status;
using Line = ServerCheck::Line;

// A statement the desk sends, on which connections, and what it is for.
struct Statement
{
    const char *subject;
    QString sql;
    std::vector<int> connections;
};

std::vector<Statement> deskStatements()
{
    using namespace Data;
    const std::vector<int> members{ZelmarId, KordaId};
    return {
        {"leitura do convite", CheckinQueries::invitation(QString()), {SqlServerId}},
        {"hora de entrada", CheckinQueries::entryTime(0), {SqlServerId}},
        {"procura de convidado", GuestSearch::query(QStringLiteral("aa")), {SqlServerId}},
        {"contagem de entradas", EntryCounter::query(), {SqlServerId}},
        {"ficha do sócio por número", CheckinQueries::memberById(0), members},
        {"ficha do sócio por número de empresa", CheckinQueries::memberByCompanyNumber(QString()), members},
        {"dono da fotografia", CheckinQueries::photographOwner(QString()), members},
        {"pasta do arquivo", CheckinQueries::archiveFolder(), members},
        {"caminho da fotografia", PhotoArchive::storedPathQuery(0), members},
        {"lista de VIPs", frmMainVIPs::vipQuery(), {KordaId}},
    };
}

// An index the desk's set-up recommends: its table, its leading key columns and what its
// absence costs.
struct RecommendedIndex
{
    const char *table;
    QStringList keys;
    const char *cost;
    std::vector<int> connections;
};

std::vector<RecommendedIndex> recommendedIndexes()
{
    using namespace Data;
    const std::vector<int> members{ZelmarId, KordaId};
    return {
        {"tbConvites",
         {QStringLiteral("convite_no")},
         "cada leitura de convite percorre a tabela inteira",
         {SqlServerId}},
        {"tbConvites",
         {QStringLiteral("nome"), QStringLiteral("no_tap"), QStringLiteral("checked_in"), QStringLiteral("convite_no")},
         "a procura de convidado e a lista de VIPs percorrem a tabela inteira (segundos a um milhão de convites)",
         {SqlServerId}},
        {"tbConvites",
         {QStringLiteral("checked_in"), QStringLiteral("base_dados"), QStringLiteral("socio_id")},
         "a contagem de entradas percorre a tabela inteira a cada 3 s em cada mesa, e as Estatísticas a cada 10 s",
         {SqlServerId}},
        {"tbConvites",
         {QStringLiteral("base_dados"), QStringLiteral("socio_id")},
         "as Estatísticas ordenam os convites inteiros a cada 10 s",
         {SqlServerId}},
        {"tbConvites",
         {QStringLiteral("no_tap")},
         "as Estatísticas percorrem os convites para contar os VIPs",
         {SqlServerId}},
        {"tbAssociados", {QStringLiteral("contacto_id")}, "cada fotografia percorre a tabela de associados", members},
        {"tbAssociados",
         {QStringLiteral("no_empresa")},
         "cada procura de sócio percorre a tabela de associados",
         members},
        {"tbContactos_Fotos",
         {QStringLiteral("contacto_id")},
         "cada fotografia percorre a tabela de fotografias",
         members},
        {"tbConvites_VIPs",
         {QStringLiteral("no_empresa")},
         "a lista de VIPs percorre a tabela de VIPs por convite",
         {KordaId}},
    };
}

bool usedOn(const std::vector<int> &connections, int memberId)
{
    return std::find(connections.begin(), connections.end(), memberId) != connections.end();
}

QString grouped(int64_t n)
{
    static const QLocale grouping(QLocale::German, QLocale::Germany);
    return grouping.toString(qlonglong(n));
}

// The first line of a server's message, without the blanks around it.
QString oneLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0).simplified();
}

// Runs a statement; the open recordset, or nothing with the server's reason in *reason.
std::optional<RecordsetRef> query(const ConnectionRef &connection, const QString &sql, QString *reason)
{
    try {
        RecordsetRef rs = connection->Execute(sql);
        if (!rs || rs->State() != Recordset::StateOpen) {
            *reason = QStringLiteral("a consulta não devolveu resultados");
            return std::nullopt;
        }
        return rs;
    } catch (...) {
        *reason = oneLine(currentError().description);
        return std::nullopt;
    }
}

// The first column of the first row, or Null.
Value scalar(const RecordsetRef &rs)
{
    return rs->Eof() ? Value::null() : rs->Fields(0).Value();
}

class Run
{
public:
    std::vector<Line> lines;

    void add(Status status, int memberId, const QString &subject, const QString &detail)
    {
        lines.push_back({status, memberId ? Data::connectionName(memberId) : QString(), subject, detail});
    }

    // Opens the named connection as the desk's Connect does and runs the desk's probe.
    ConnectionRef login(int memberId)
    {
        ConnectionRef connection = std::make_shared<Connection>();
        QString entry = Data::registryEntry(memberId);
        QString connectionString = Data::connectionString(memberId);
        const QString subject = QStringLiteral("ligação");
        if (!modTestConnection::BuildConnectionString(connection, entry, connectionString)) {
            QString reason;
            if (connectionString.isEmpty())
                reason = QStringLiteral("faltam valores do registo em HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\%1")
                             .arg(entry);
            else if (connection->Errors().Count() > 0)
                reason = oneLine(connection->Errors().Item(connection->Errors().Count() - 1).Description());
            add(Status::Failure, memberId, subject, QStringLiteral("não foi possível ligar ao servidor: ") + reason);
            return nullptr;
        }
        QString reason;
        if (!query(connection, SessionPool::Probe, &reason)) {
            add(Status::Failure, memberId, subject,
                QStringLiteral("o servidor não responde à consulta de prova: ") + reason);
            return nullptr;
        }
        const auto about = query(
            connection, QStringLiteral("SELECT @@VERSION AS versao, SERVERPROPERTY('Collation') AS colacao"), &reason);
        if (!about) {
            add(Status::Warning, memberId, subject,
                QStringLiteral("ligada, mas a versão e a colação não podem ser lidas: ") + reason);
            return connection;
        }
        const RecordsetRef &rs = *about;
        const QString version = rs->Eof() ? QString() : oneLine(rs->Fields(0).Value().toText());
        const QString collation = rs->Eof() ? QString() : rs->Fields(1).Value().toText();
        add(Status::Ok, memberId, subject, version + QStringLiteral("; colação ") + collation);
        return connection;
    }

    void statements(const ConnectionRef &connection, int memberId)
    {
        for (const Statement &s : deskStatements()) {
            if (!usedOn(s.connections, memberId))
                continue;
            const QString subject = QString::fromUtf8(s.subject);
            QString reason;
            const auto rs = query(connection, ServerCheck::withoutRows(s.sql), &reason);
            if (!rs) {
                add(Status::Failure, memberId, subject, QStringLiteral("a consulta da mesa falha: ") + reason);
                continue;
            }
            // "SELECT *" of the member view: the panel reads its columns by name.
            QStringList missing;
            if (s.sql == CheckinQueries::memberById(0)) {
                for (const frmMainDesign::MemberField &field : frmMainDesign::memberFields()) {
                    const QString column = QString::fromLatin1(field.column);
                    if (!(*rs)->fieldNames().contains(column, Qt::CaseInsensitive))
                        missing << column;
                }
            }
            if (!missing.isEmpty())
                add(Status::Failure, memberId, subject,
                    QStringLiteral("faltam colunas em vwAssociados_Completos: ") + missing.join(QStringLiteral(", ")));
            else
                add(Status::Ok, memberId, subject, QStringLiteral("tabelas e colunas presentes"));
        }
    }

    // The accepting update's permission, on a row, rolled back; the value written is the
    // value the row already holds, so even a lost rollback changes nothing.
    void writeAccess(const ConnectionRef &connection, int memberId)
    {
        const QString subject = QStringLiteral("escrita de tbConvites.checked_in");
        QString reason;
        try {
            connection->Execute(QStringLiteral("BEGIN TRANSACTION"));
        } catch (...) {
            add(Status::Failure, memberId, subject,
                QStringLiteral("não foi possível abrir uma transacção: ") + oneLine(currentError().description));
            return;
        }
        bool written = true;
        try {
            connection->Execute(QStringLiteral("UPDATE tbConvites SET checked_in = checked_in WHERE convite_id = "
                                               "(SELECT MIN(convite_id) FROM tbConvites)"));
        } catch (...) {
            written = false;
            reason = oneLine(currentError().description);
        }
        QString rollback;
        try {
            connection->Execute(QStringLiteral("ROLLBACK TRANSACTION"));
        } catch (...) {
            rollback = oneLine(currentError().description);
            connection->Close();
        }
        if (!written)
            add(Status::Failure, memberId, subject,
                QStringLiteral("o utilizador da mesa não pode registar entradas: ") + reason);
        else if (!rollback.isEmpty())
            add(Status::Failure, memberId, subject,
                QStringLiteral("a transacção de ensaio não pôde ser desfeita: ") + rollback);
        else
            add(Status::Ok, memberId, subject, QStringLiteral("permitida (ensaiada numa transacção desfeita)"));
    }

    void indexes(const ConnectionRef &connection, int memberId)
    {
        std::map<QString, std::vector<QStringList>> keysOf; // per table, each index's key columns
        for (const RecommendedIndex &index : recommendedIndexes()) {
            if (!usedOn(index.connections, memberId))
                continue;
            const QString table = QString::fromLatin1(index.table);
            const QString subject = QStringLiteral("índice ") + table + QStringLiteral(" (")
                                    + index.keys.join(QStringLiteral(", ")) + QLatin1Char(')');
            if (!keysOf.count(table)) {
                std::vector<QStringList> &keys = keysOf[table];
                QString reason;
                const auto rs = query(connection, QStringLiteral("EXEC sp_helpindex '%1'").arg(table), &reason);
                for (; rs && !(*rs)->Eof(); (*rs)->MoveNext()) {
                    QStringList columns;
                    for (const QString &key : (*rs)->Fields("index_keys").Value().toText().split(QLatin1Char(',')))
                        columns << key.trimmed().remove(QStringLiteral("(-)"));
                    keys.push_back(columns);
                }
            }
            bool found = false;
            for (const QStringList &columns : keysOf[table]) {
                bool leads = columns.size() >= index.keys.size();
                for (int i = 0; leads && i < index.keys.size(); ++i)
                    leads = columns[i].compare(index.keys[i], Qt::CaseInsensitive) == 0;
                found = found || leads;
            }
            if (found)
                add(Status::Ok, memberId, subject, QStringLiteral("presente"));
            else
                add(Status::Warning, memberId, subject, QStringLiteral("em falta: ") + QString::fromUtf8(index.cost));
        }
    }

    void clock(const ConnectionRef &connection, int memberId)
    {
        const QString subject = QStringLiteral("relógio do servidor");
        QString reason;
        const auto rs = query(connection, QStringLiteral("SELECT GETDATE() AS agora"), &reason);
        const QDateTime desk = QDateTime::currentDateTime();
        const Value now = rs ? scalar(*rs) : Value::null();
        // A DATETIME column, or its ODBC canonical text where the server sends it as text.
        QDateTime server;
        if (now.isDateValue())
            server = now.toDateTime();
        else if (now.isString())
            server = QDateTime::fromString(now.stringValue().trimmed().replace(QLatin1Char(' '), QLatin1Char('T')),
                                           Qt::ISODateWithMs);
        if (!server.isValid()) {
            add(Status::Failure, memberId, subject,
                QStringLiteral("a hora do servidor não pode ser lida: ")
                    + (rs ? QStringLiteral("\"%1\" não é uma data").arg(now.toText()) : reason));
            return;
        }
        const qint64 apart = std::llabs(desk.msecsTo(server)) / 1000;
        const QString detail = server.toString(QStringLiteral("dd-MM-yyyy HH:mm:ss"))
                               + QStringLiteral(", %1 s da hora desta mesa").arg(apart);
        if (apart > ServerCheck::ClockToleranceSeconds)
            add(Status::Warning, memberId, subject,
                detail + QStringLiteral(": as horas de entrada são as do servidor, acerte um dos relógios"));
        else
            add(Status::Ok, memberId, subject, detail);
    }

    void archive(const ConnectionRef &connection, int memberId)
    {
        const QString subject = QStringLiteral("arquivo de fotografias");
        QString reason;
        const auto rs = query(connection, CheckinQueries::archiveFolder(), &reason);
        if (!rs) {
            add(Status::Failure, memberId, subject, QStringLiteral("tbDefs não pode ser lida: ") + reason);
            return;
        }
        const Value value = scalar(*rs);
        // A path drops its trailing blanks, as Windows does with a CHAR column's padding.
        QString folder = value.isNull() ? QString() : value.toText();
        while (folder.endsWith(QLatin1Char(' ')))
            folder.chop(1);
        if (folder.isEmpty()) {
            add(Status::Failure, memberId, subject,
                QStringLiteral("tbDefs.arquivodocumental não indica nenhuma pasta"));
            return;
        }
        const QFileInfo info(folder);
        if (!info.isDir())
            add(Status::Failure, memberId, subject,
                QStringLiteral("a pasta \"%1\" não existe nesta máquina").arg(folder));
        else if (!info.isReadable() || !info.isExecutable())
            add(Status::Failure, memberId, subject, QStringLiteral("a pasta \"%1\" não pode ser lida").arg(folder));
        else
            add(Status::Ok, memberId, subject, QStringLiteral("\"%1\" existe e pode ser lida").arg(folder));
    }

    void invitationCounts(const ConnectionRef &connection, int memberId)
    {
        const QString subject = QStringLiteral("convites");
        QString reason;
        const auto all = query(connection, QStringLiteral("SELECT COUNT(*) AS convites FROM tbConvites"), &reason);
        const auto entered = all ? query(connection, EntryCounter::query(), &reason) : std::nullopt;
        if (!all || !entered) {
            add(Status::Failure, memberId, subject, QStringLiteral("não podem ser contados: ") + reason);
            return;
        }
        add(Status::Ok, memberId, subject,
            QStringLiteral("%1 convites, %2 já entraram")
                .arg(grouped(int64_t(scalar(*all).toDouble())), grouped(int64_t(scalar(*entered).toDouble()))));
    }

    // As many as the VIP window lists, read the way it reads them.
    void vipCount(const ConnectionRef &connection, int memberId)
    {
        const QString subject = QStringLiteral("entradas VIP");
        QString reason;
        const auto rs = query(connection, frmMainVIPs::vipQuery(), &reason);
        if (!rs) {
            add(Status::Failure, memberId, subject, QStringLiteral("não podem ser contadas: ") + reason);
            return;
        }
        int64_t count = 0;
        for (; !(*rs)->Eof(); (*rs)->MoveNext())
            ++count;
        add(Status::Ok, memberId, subject, QStringLiteral("%1 entradas VIP").arg(grouped(count)));
    }
};

} // namespace

std::vector<Line> ServerCheck::run()
{
    Run run;
    const QString configuration = Data::configurationError();
    if (!configuration.isEmpty()) {
        run.add(Status::Failure, 0, QStringLiteral("configuração"), configuration);
        return run.lines;
    }
    for (const int memberId : {Data::SqlServerId, Data::ZelmarId, Data::KordaId}) {
        const ConnectionRef connection = run.login(memberId);
        if (!connection)
            continue;
        run.statements(connection, memberId);
        if (memberId == Data::SqlServerId) {
            run.writeAccess(connection, memberId);
            if (connection->State() != Connection::StateOpen)
                continue;
            run.clock(connection, memberId);
        } else {
            run.archive(connection, memberId);
        }
        run.indexes(connection, memberId);
        if (memberId == Data::SqlServerId)
            run.invitationCounts(connection, memberId);
        if (memberId == Data::KordaId)
            run.vipCount(connection, memberId);
    }
    return run.lines;
}

QString ServerCheck::marker(Status status)
{
    switch (status) {
    case Status::Ok: return QStringLiteral("ok");
    case Status::Warning: return QStringLiteral("aviso");
    case Status::Failure: break;
    }
    return QStringLiteral("FALHA");
}

QString ServerCheck::text(const Line &line)
{
    QString where = line.connection.isEmpty() ? QString() : line.connection + QStringLiteral(": ");
    return marker(line.status).leftJustified(6) + where + line.subject + QStringLiteral(": ") + line.detail;
}

QByteArray ServerCheck::json(const std::vector<Line> &lines)
{
    QJsonArray checks;
    for (const Line &line : lines)
        checks.append(QJsonObject{{QStringLiteral("status"), marker(line.status)},
                                  {QStringLiteral("connection"), line.connection},
                                  {QStringLiteral("check"), line.subject},
                                  {QStringLiteral("detail"), line.detail}});
    return QJsonDocument(QJsonObject{{QStringLiteral("ok"), exitCode(lines) == 0}, {QStringLiteral("checks"), checks}})
        .toJson(QJsonDocument::Indented);
}

int ServerCheck::exitCode(const std::vector<Line> &lines)
{
    for (const Line &line : lines)
        if (line.status == Status::Failure)
            return 1;
    return lines.empty() ? 1 : 0;
}

QString ServerCheck::withoutRows(const QString &select)
{
    static const QRegularExpression head(QStringLiteral("^\\s*SELECT\\s+(?:TOP\\s+\\d+\\s+)?"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString sql = select;
    return sql.replace(head, QStringLiteral("SELECT TOP 0 "));
}

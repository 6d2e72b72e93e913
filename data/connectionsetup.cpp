#include "data/connectionsetup.h"

#include "data/connection.h"
#include "data/connectionstringparts.h"
#include "data/dataenvironment.h"
#include "data/modtestconnection.h"
#include "data/recordset.h"
#include "data/sessionpool.h"
#include "platform/passwordcodec.h"

#include <QFile>
#include <QRegularExpression>

namespace ConnectionSetup {

namespace {

const char *const ValueNames[] = {"dtSecurityInfo", "dtUser", "dtPassword", "dtInitialCatalog", "dtDataSource"};

// A string value as the desk's reader hands it over: without its terminator.
QString stringValue(const RegistryFile &file, const QString &path, const char *name)
{
    const RegistryFile::Value *value = file.value(path, QString::fromLatin1(name));
    if (!value)
        return QString();
    QByteArray data = value->data;
    if (data.endsWith('\0'))
        data.chop(1);
    return QString::fromUtf8(data);
}

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

// The host of a data source: the text before "\instance" and ",port".
QString hostOf(const QString &dataSource)
{
    return dataSource.section(QLatin1Char(','), 0, 0).section(QLatin1Char('\\'), 0, 0).trimmed();
}

QString portOf(const QString &dataSource)
{
    return dataSource.contains(QLatin1Char(',')) ? dataSource.section(QLatin1Char(','), 1).trimmed()
                                                 : QStringLiteral("1433");
}

} // namespace

QString keyPath(const QString &entry)
{
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\") + entry;
}

QList<Settings> read(const RegistryFile &file)
{
    QList<Settings> list;
    for (const int id : {Data::SqlServerId, Data::ZelmarId, Data::KordaId}) {
        Settings s;
        s.memberId = id;
        s.entry = Data::registryEntryName(id);
        const QString path = keyPath(s.entry);
        s.inRegistry = file.keyExists(path);
        if (s.inRegistry) {
            s.securityInfo = stringValue(file, path, ValueNames[0]);
            s.user = stringValue(file, path, ValueNames[1]);
            s.encodedPassword = stringValue(file, path, ValueNames[2]);
            s.catalog = stringValue(file, path, ValueNames[3]);
            s.dataSource = stringValue(file, path, ValueNames[4]);
        } else {
            const ConnectionStringParts design = ConnectionStringParts::parse(Data::designTimeConnectionString(id));
            s.securityInfo = design.value(QStringLiteral("Persist Security Info"));
            s.user = design.value(QStringLiteral("User ID"));
            s.catalog = design.value(QStringLiteral("Initial Catalog"));
            s.dataSource = design.value(QStringLiteral("Data Source"));
        }
        list << s;
    }
    return list;
}

QString problem(const Settings &s, const QString &newPassword)
{
    const struct
    {
        const QString &text;
        const char *label;
    } fields[] = {
        {s.dataSource, "Servidor"},     {s.catalog, "Base de dados"},
        {s.user, "Utilizador"},         {s.securityInfo, "Persist Security Info"},
        {newPassword, "Palavra-passe"},
    };
    for (const auto &f : fields) {
        if (hasControlCharacter(f.text))
            return QStringLiteral("\"%1\" tem caracteres que não se podem guardar (mudanças de linha ou tabulações).")
                .arg(QString::fromUtf8(f.label));
        if (f.text.trimmed().isEmpty() && &f.text != &newPassword)
            return QStringLiteral("Preencha \"%1\".").arg(QString::fromUtf8(f.label));
    }
    // The desk's reader drops the blanks before a value, so none may begin with one.
    for (const QString *text : {&s.dataSource, &s.catalog, &s.user, &s.securityInfo})
        if (text->startsWith(QLatin1Char(' ')))
            return QStringLiteral("Os valores não podem começar por um espaço: \"%1\".").arg(*text);
    static const QRegularExpression server(QStringLiteral("^[^\\\\,\\s]+(\\\\[^\\\\,\\s]+)?(,\\s*(\\d+))?$"));
    const QRegularExpressionMatch m = server.match(s.dataSource.trimmed());
    if (!m.hasMatch())
        return QStringLiteral("\"Servidor\" deve ser o nome do computador, opcionalmente seguido de \\instância e "
                              "de ,porta (por exemplo servidor\\SQLEXPRESS,1433).");
    if (!m.captured(3).isEmpty() && (m.captured(3).toInt() < 1 || m.captured(3).toInt() > 65535))
        return QStringLiteral("A porta em \"Servidor\" deve estar entre 1 e 65535.");
    if (newPassword.isEmpty() && s.encodedPassword.isEmpty())
        return QStringLiteral("Escreva a palavra-passe: o registo ainda não tem nenhuma para esta ligação.");
    return QString();
}

QString clearPassword(const Settings &s, const QString &newPassword)
{
    if (!newPassword.isEmpty())
        return newPassword;
    return s.encodedPassword.isEmpty() ? QString() : PasswordCodec::DecodePassword(s.encodedPassword);
}

QString connectionString(const Settings &s, const QString &password)
{
    return modTestConnection::ComposeConnectionString(s.securityInfo, s.user, password, s.catalog, s.dataSource);
}

TestOutcome test(const QString &string)
{
    const Settings parts = [&] {
        const ConnectionStringParts p = ConnectionStringParts::parse(string);
        Settings s;
        s.user = p.value(QStringLiteral("User ID"));
        s.catalog = p.value(QStringLiteral("Initial Catalog"));
        s.dataSource = p.value(QStringLiteral("Data Source"));
        return s;
    }();
    Connection connection;
    try {
        connection.Open(string);
        connection.Execute(SessionPool::Probe);
    } catch (...) {
        if (connection.Errors().Count() == 0)
            return {false, QStringLiteral("A ligação falhou por uma razão desconhecida.")};
        return {false, plainMessage(connection.Errors().Item(0), parts)};
    }
    QString version;
    try {
        const RecordsetRef rs = connection.Execute(QStringLiteral("SELECT @@VERSION"));
        if (rs && rs->State() == Recordset::StateOpen && !rs->Eof())
            version = rs->Fields(0).Value().toText().section(QLatin1Char('\n'), 0, 0).trimmed();
    } catch (...) {
        // The probe passed: the desk can work; only the version is unknown.
    }
    QString text = QStringLiteral("Ligação bem sucedida");
    if (!version.isEmpty())
        text += QStringLiteral("\nServidor: ") + version;
    return {true, text};
}

QString plainMessage(const DbError &error, const Settings &s)
{
    const QString said = error.Description();
    const QString codes = error.SQLState(); // the provider's native codes, ";"-separated
    const auto has = [&](const QString &code) { return codes.split(QLatin1Char(';')).contains(code); };
    const auto mentions = [&](const char *text) { return said.contains(QLatin1String(text), Qt::CaseInsensitive); };
    const QString host = hostOf(s.dataSource);
    // A database the login cannot open fails the login too (4060, then 18456): the database is the cause.
    if (error.NativeError() == 4060 || has(QStringLiteral("4060")) || mentions("Cannot open database"))
        return QStringLiteral("O servidor não tem a base de dados \"%1\", ou o utilizador \"%2\" não a pode abrir "
                              "(erro 4060 do SQL Server). Verifique \"Base de dados\".")
            .arg(s.catalog, s.user);
    if (error.NativeError() == 18456 || has(QStringLiteral("18456")) || mentions("Login failed"))
        return QStringLiteral("O servidor recusou o utilizador \"%1\" ou a palavra-passe (erro 18456 do SQL Server: "
                              "início de sessão falhado). Verifique o utilizador e a palavra-passe.")
            .arg(s.user);
    if (mentions("name not found") || mentions("Unknown host") || mentions("not known") || has(QStringLiteral("20012")))
        return QStringLiteral("O computador \"%1\" não foi encontrado na rede. Verifique o nome em \"Servidor\".")
            .arg(host);
    if (mentions("timeout") || mentions("timed out") || mentions("time-out") || has(QStringLiteral("20003")))
        return QStringLiteral("O servidor %1 não respondeu a tempo. Verifique se o SQL Server está a correr e se a "
                              "rede ou uma firewall não o impedem.")
            .arg(host);
    if (mentions("Unable to connect") || mentions("refused") || has(QStringLiteral("20009")))
        return QStringLiteral("Nenhum SQL Server responde em %1, porta %2. Verifique o servidor, a instância e a "
                              "porta em \"Servidor\", e se o serviço está a correr.")
            .arg(host, portOf(s.dataSource));
    return QStringLiteral("A ligação falhou: %1").arg(said);
}

QByteArray changes(QList<Settings> &settings, const QStringList &newPasswords)
{
    QList<RegistryWriter::Section> sections;
    for (qsizetype i = 0; i < settings.size(); ++i) {
        Settings &s = settings[i];
        QString password; // empty: the stored one stays
        if (!newPasswords.value(i).isEmpty()) {
            password = PasswordCodec::EncodePassword(newPasswords.value(i));
            if (password.isEmpty())
                return QByteArray();
        }
        const QString values[] = {s.securityInfo.trimmed(), s.user, password, s.catalog, s.dataSource.trimmed()};
        RegistryWriter::Section section{keyPath(s.entry), {}};
        for (int v = 0; v < 5; ++v)
            section.values.append({QString::fromLatin1(ValueNames[v]), values[v]});
        sections << section;
    }
    for (qsizetype i = 0; i < settings.size(); ++i) {
        if (!newPasswords.value(i).isEmpty())
            settings[i].encodedPassword = sections.at(i).values.at(2).value;
    }
    return RegistryWriter::merged(QByteArray(), sections);
}

QByteArray applied(const QByteArray &existing, const QByteArray &changes)
{
    const RegistryFile old = RegistryFile::parse(existing);
    const RegistryFile wanted = RegistryFile::parse(changes);
    QList<RegistryWriter::Section> sections;
    for (const RegistryFile::Key &key : wanted.keys()) {
        RegistryWriter::Section section{key.path, {}};
        for (const RegistryFile::Value &value : key.values) {
            QString text = QString::fromUtf8(value.data.endsWith('\0') ? value.data.chopped(1) : value.data);
            if (text.isEmpty() && value.name.compare(QLatin1String(ValueNames[2]), Qt::CaseInsensitive) == 0)
                text = stringValue(old, key.path, ValueNames[2]);
            section.values.append({value.name, text});
        }
        sections << section;
    }
    return RegistryWriter::merged(existing, sections);
}

RegistryWriter::SaveResult save(const QString &path, const QByteArray &changes)
{
    QByteArray existing;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return {file.error() == QFileDevice::PermissionsError ? RegistryWriter::SaveResult::NotPermitted
                                                                  : RegistryWriter::SaveResult::Failed,
                    QStringLiteral("Não é possível ler %1 (%2).").arg(path, file.errorString())};
        existing = file.readAll();
    }
    return RegistryWriter::save(path, applied(existing, changes));
}

} // namespace ConnectionSetup

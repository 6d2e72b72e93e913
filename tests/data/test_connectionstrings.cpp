// Connection strings: the OLE DB parser, the ODBC string given to FreeTDS, the named
// connections, and a SQL Server string that points at nothing.
#include "tests/data/databasefixture.h"

#include "data/connectionstringparts.h"
#include "data/dataenvironment.h"
#include "data/dberror.h"
#include "data/providersession.h"
#include "data/sqlserverodbc.h"
#include "platform/registryfile.h"

#include <QFile>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace {

TEST(ConnectionStringParts, ReadsKeysAndValuesAsOleDbWritesThem)
{
    const auto parts = ConnectionStringParts::parse(
        QStringLiteral(" Provider = SQLOLEDB.1 ;Password=\"a;b\"\"c\";Persist Security Info=True;user id=sa;;junk;"
                       "Initial Catalog='O''Neil';Data Source=host\\SQLEXPRESS,1433;Password2= x = y ;"));
    EXPECT_EQ(parts.value(QStringLiteral("provider")), QStringLiteral("SQLOLEDB.1"));
    EXPECT_EQ(parts.value(QStringLiteral("PASSWORD")), QStringLiteral("a;b\"c"));
    EXPECT_EQ(parts.value(QStringLiteral("User ID")), QStringLiteral("sa"));
    EXPECT_EQ(parts.value(QStringLiteral("Initial Catalog")), QStringLiteral("O'Neil"));
    EXPECT_EQ(parts.value(QStringLiteral("Data Source")), QStringLiteral("host\\SQLEXPRESS,1433"));
    EXPECT_EQ(parts.value(QStringLiteral("Password2")), QStringLiteral("x = y"));
    EXPECT_FALSE(parts.contains(QStringLiteral("junk")));
    EXPECT_EQ(parts.value(QStringLiteral("Connect Timeout"), QStringLiteral("15")), QStringLiteral("15"));
    EXPECT_EQ(parts.pairs().size(), 7);

    // The last of repeated keys wins; an unterminated quote takes the rest; nothing throws.
    EXPECT_EQ(ConnectionStringParts::parse(QStringLiteral("a=1;A=2")).value(QStringLiteral("a")), QStringLiteral("2"));
    EXPECT_EQ(ConnectionStringParts::parse(QStringLiteral("a='1;b=2")).value(QStringLiteral("a")),
              QStringLiteral("1;b=2"));
    for (const char *odd : {"", ";", "=", "==;;=", "'", "=x;y"})
        EXPECT_TRUE(ConnectionStringParts::parse(QString::fromLatin1(odd)).pairs().isEmpty()) << odd;

    // Whatever the text, every value read back round-trips through a quoted rewrite.
    const QString alphabet = QStringLiteral("ab =;'\" \\");
    quint32 seed = 7;
    for (int round = 0; round < 2000; ++round) {
        QString text;
        for (int i = 0; i < 16; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet[int((seed >> 8) % quint32(alphabet.size()))];
        }
        const auto parts = ConnectionStringParts::parse(text);
        QString rewritten;
        for (const auto &pair : parts.pairs()) {
            if (pair.first.contains(QLatin1Char('=')) || pair.first.contains(QLatin1Char(';')))
                continue;
            QString v = pair.second;
            v.replace(QLatin1String("\""), QLatin1String("\"\""));
            rewritten += pair.first + QStringLiteral("=\"") + v + QStringLiteral("\";");
        }
        const auto again = ConnectionStringParts::parse(rewritten);
        for (const auto &pair : parts.pairs())
            EXPECT_EQ(again.value(pair.first), pair.second) << text.toStdString();
    }
}

// Any value written with quoted() after a key reads back as itself, whatever it holds; a
// value that needs no quoting is written as it stands.
TEST(ConnectionStringParts, QuotedValuesReadBackExactly)
{
    const struct
    {
        const char *value;
        const char *written;
    } cases[] = {
        {"wobrelkiz", "wobrelkiz"},         {"", ""},
        {"p\xc3\xa1ss=1", "p\xc3\xa1ss=1"}, {"a;b", "\"a;b\""},
        {"\"start", "'\"start'"},           {"'start", "\"'start\""},
        {" both ", "\" both \""},           {"tab\t", "\"tab\t\""},
        {"x\"y'z", "\"x\"\"y'z\""},         {"it's", "\"it's\""},
    };
    for (const auto &c : cases) {
        const QString value = QString::fromUtf8(c.value);
        EXPECT_EQ(ConnectionStringParts::quoted(value), QString::fromUtf8(c.written)) << c.value;
    }
    const QString alphabet = QStringLiteral("a ;'\"=\t{}\\");
    quint32 seed = 11;
    for (int round = 0; round < 3000; ++round) {
        QString password;
        const int length = int(round % 9);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            password += alphabet[int((seed >> 8) % quint32(alphabet.size()))];
        }
        const auto parts = ConnectionStringParts::parse(QStringLiteral("User ID=sa;Password=")
                                                        + ConnectionStringParts::quoted(password)
                                                        + QStringLiteral(";Initial Catalog=Pelvrin"));
        ASSERT_EQ(parts.value(QStringLiteral("Password")), password) << password.toStdString();
        ASSERT_EQ(parts.value(QStringLiteral("Initial Catalog")), QStringLiteral("Pelvrin")) << password.toStdString();
    }
}

TEST(SqlServerOdbc, TranslatesTheOleDbKeysForFreeTds)
{
    using SqlServerOdbc::parseDataSource;
    const auto full = parseDataSource(QStringLiteral(" srv\\SQLEXPRESS , 1433 "));
    EXPECT_EQ(full.host, QStringLiteral("srv"));
    EXPECT_EQ(full.instance, QStringLiteral("SQLEXPRESS"));
    EXPECT_EQ(full.port, 1433);
    EXPECT_EQ(parseDataSource(QStringLiteral("tcp:10.0.0.1,99999")).port, 0);
    EXPECT_EQ(parseDataSource(QStringLiteral("(local)")).host, QStringLiteral("127.0.0.1"));

    const auto parts = ConnectionStringParts::parse(
        QStringLiteral("Provider=SQLOLEDB.1;Password=\" p;w'\"\"=\";User ID=sa;Initial Catalog=Pelvrin;"
                       "Data Source=srv\\SQLEXPRESS,1433;Connect Timeout=3;Command Timeout=4"));
    EXPECT_EQ(SqlServerOdbc::odbcConnectionString(parts, QStringLiteral("FreeTDS")),
              QStringLiteral("DRIVER={FreeTDS};SERVER={srv};PORT=1433;DATABASE={Pelvrin};UID={sa};PWD={ p;w'\"=};"
                             "TDS_Version=7.4;ClientCharset=UTF-8;Timeout=4;"));
    EXPECT_EQ(SqlServerOdbc::loginTimeoutSeconds(parts), 3);
    EXPECT_EQ(SqlServerOdbc::commandTimeoutSeconds(parts), 4);
    // Without a port FreeTDS resolves the instance; user and password given to Open win.
    const auto named = ConnectionStringParts::parse(QStringLiteral("Data Source=srv\\INST;User ID=a;Password=b"));
    EXPECT_EQ(SqlServerOdbc::odbcConnectionString(named, QStringLiteral("/x/libtdsodbc.so"), QStringLiteral("u"),
                                                  QStringLiteral("v")),
              QStringLiteral("DRIVER={/x/libtdsodbc.so};SERVER={srv\\INST};UID={u};PWD={v};TDS_Version=7.4;"
                             "ClientCharset=UTF-8;Timeout=30;"));
    EXPECT_EQ(SqlServerOdbc::loginTimeoutSeconds(named), 15);
    // ADO's default; 0 (ADO's "no limit") is not taken: a statement never waits for ever.
    EXPECT_EQ(SqlServerOdbc::commandTimeoutSeconds(named), 30);
    EXPECT_EQ(SqlServerOdbc::commandTimeoutSeconds(ConnectionStringParts::parse(QStringLiteral("Command Timeout=0"))),
              30);
    // FreeTDS reads a braced value to the first "}" before ';' and does not undouble "}}"
    // (a doubled brace reached the server as two); "};" cannot be written at all.
    EXPECT_EQ(SqlServerOdbc::braced(QStringLiteral("a}}b}")), QStringLiteral("{a}}b}}"));
    QString problem;
    const auto cut = ConnectionStringParts::parse(QStringLiteral("Data Source=srv;Password=\"x};DRIVER={y}\""));
    SqlServerOdbc::odbcConnectionString(cut, QStringLiteral("FreeTDS"), QString(), QString(), &problem);
    EXPECT_FALSE(problem.isEmpty());
    problem.clear();
    SqlServerOdbc::odbcConnectionString(parts, QStringLiteral("FreeTDS"), QString(), QString(), &problem);
    EXPECT_TRUE(problem.isEmpty());
}

// A loopback listener that answers FreeTDS's pre-login and keeps the password of its login
// packet (TDS 7 sends it in UTF-16 with each byte's nibbles swapped and XORed with 0xA5).
QString passwordFreeTdsSends(const QString &password)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return QStringLiteral("<no listener>");
    QString seen = QStringLiteral("<no login>");
    std::thread server([&] {
        pollfd waiting{listener, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) <= 0)
            return;
        const int c = ::accept(listener, nullptr, nullptr);
        const timeval limit{5, 0};
        ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        const auto packet = [c]() {
            QByteArray bytes(8, '\0');
            for (qsizetype got = 0; got < bytes.size();) {
                const ssize_t n = ::recv(c, bytes.data() + got, size_t(bytes.size() - got), 0);
                if (n <= 0)
                    return QByteArray();
                got += n;
                if (got == 8)
                    bytes.resize((uchar(bytes[2]) << 8) | uchar(bytes[3]));
            }
            return bytes.mid(8);
        };
        packet(); // pre-login: answer version 11.0, no encryption
        const QByteArray answer = QByteArray::fromHex("0401001a00000100"
                                                      "00000b0006"
                                                      "0100110001"
                                                      "ff"
                                                      "0b0000000000"
                                                      "02");
        ::send(c, answer.constData(), size_t(answer.size()), 0);
        const QByteArray login = packet();
        if (login.size() > 48) {
            const int offset = uchar(login[44]) | (uchar(login[45]) << 8);
            const int chars = uchar(login[46]) | (uchar(login[47]) << 8);
            QByteArray utf16 = login.mid(offset, 2 * chars);
            for (char &b : utf16) {
                const uchar x = uchar(b) ^ 0xA5;
                b = char((x >> 4) | (x << 4));
            }
            seen = QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16.constData()), chars);
        }
        ::close(c);
    });
    auto conn = std::make_shared<Connection>();
    try {
        conn->Open(QStringLiteral("Provider=SQLOLEDB.1;User ID=sa;Password=") + ConnectionStringParts::quoted(password)
                   + QStringLiteral(";Data Source=127.0.0.1,%1;Connect Timeout=3").arg(ntohs(address.sin_port)));
    } catch (const RuntimeError &) {
    }
    server.join();
    ::close(listener);
    return seen;
}

TEST(SqlServerProvider, ThePasswordReachesTheServerAsItWasComposed)
{
    for (const char *password : {"plain", "a;b", "\"start", " both ", "x\"y'z;{w", "p\xc3\xa1ss=", "a}b", "x}}"})
        EXPECT_EQ(passwordFreeTdsSends(QString::fromUtf8(password)), QString::fromUtf8(password)) << password;
}

TEST(NamedConnections, DesignTimeStringsAndEnvironmentOverrides)
{
    EXPECT_EQ(Data::connectionNames(),
              (QStringList{QStringLiteral("SqlServer"), QStringLiteral("ZELMAR"), QStringLiteral("KORDA")}));
    EXPECT_EQ(Data::memberId(QStringLiteral("korda")), 1004);
    EXPECT_EQ(Data::connectionName(1003), QStringLiteral("ZELMAR"));
    EXPECT_EQ(raisedBy([] { Data::connectionName(1005); }).number(), AdoError::ItemNotFound);

    // The host is chosen at build time; the rest of the text is fixed.
    const QString source
        = ConnectionStringParts::parse(Data::designTimeConnectionString(1002)).value(QStringLiteral("Data Source"));
    ASSERT_TRUE(source.endsWith(QLatin1String("\\SQLEXPRESS,1433")));
    const QString host = source.chopped(16);
    EXPECT_FALSE(host.isEmpty());
    const QString pelvrin = QStringLiteral(
                                "Provider=SQLOLEDB.1;Password=wobrelkiz;Persist Security Info=True;User ID=sa;"
                                "Initial Catalog=Pelvrin;Data Source=")
                            + host + QStringLiteral("\\SQLEXPRESS,1433;");
    EXPECT_EQ(Data::designTimeConnectionString(1002), pelvrin);
    EXPECT_EQ(Data::designTimeConnectionString(1003), pelvrin);
    EXPECT_EQ(Data::designTimeConnectionString(1004),
              QStringLiteral("Provider=SQLOLEDB.1;Password=wobrelkiz;Persist Security Info=True;User ID=sa;"
                             "Initial Catalog=Contabilidade_velkor;Data Source=")
                  + host + QStringLiteral("\\SQLEXPRESS,1433;"));

    qunsetenv("QUORVET_CONNECTION_KORDA");
    EXPECT_EQ(Data::connectionString(QStringLiteral("KORDA")), Data::designTimeConnectionString(1004));
    qputenv("QUORVET_CONNECTION_KORDA", "Provider=SQLite;Data Source=/tmp/korda.db");
    EXPECT_EQ(Data::connectionString(1004), QStringLiteral("Provider=SQLite;Data Source=/tmp/korda.db"));
    EXPECT_EQ(Data::connectionString(1002), Data::designTimeConnectionString(1002));
    qunsetenv("QUORVET_CONNECTION_KORDA");
}

TEST(NamedConnections, RegistryOverrideNamesAnEntryAndLeavesTheStringEmpty)
{
    qputenv("QUORVET_CONNECTION_ZELMAR", " Registry=ZelmarDesk ");
    qunsetenv("QUORVET_CONNECTION_SQLSERVER");
    qputenv("QUORVET_CONNECTION_KORDA", "Provider=SQLite;Data Source=/tmp/korda.db");
    EXPECT_EQ(Data::registryEntry(1003), QStringLiteral("ZelmarDesk"));
    EXPECT_EQ(Data::connectionString(1003), QString());
    EXPECT_EQ(Data::connectionString(QStringLiteral("zelmar")), QString());
    // A string override or none at all names no entry.
    EXPECT_EQ(Data::registryEntry(1004), QString());
    EXPECT_EQ(Data::connectionString(1004), QStringLiteral("Provider=SQLite;Data Source=/tmp/korda.db"));
    EXPECT_EQ(Data::registryEntry(1002), QString());
    EXPECT_EQ(Data::connectionString(1002), Data::designTimeConnectionString(1002));
    EXPECT_EQ(raisedBy([] { Data::registryEntry(1001); }).number(), AdoError::ItemNotFound);
    qunsetenv("QUORVET_CONNECTION_ZELMAR");
    qunsetenv("QUORVET_CONNECTION_KORDA");
    EXPECT_EQ(Data::registryEntry(1003), QString());
    EXPECT_EQ(Data::connectionString(1003), Data::designTimeConnectionString(1003));
}

// Without an override, a connection whose own entry is in the registry file is built from it.
TEST(NamedConnections, TheRegistryEntryComesBetweenTheOverrideAndTheDesignTimeString)
{
    {
        QFile registry(RegistryFile::defaultPath());
        ASSERT_TRUE(registry.open(QIODevice::WriteOnly | QIODevice::Truncate));
        registry.write("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\ZELMAR]\n"
                       "\"dtUser\"=\"desk\"\n");
    }
    const std::shared_ptr<void> removeFile(nullptr, [](void *) { QFile::remove(RegistryFile::defaultPath()); });
    const struct
    {
        int id;
        const char *override_;
        QString string;
        QString entry;
    } cases[] = {
        {1003, nullptr, QString(), QStringLiteral("Zelmar")},
        {1003, "Provider=SQLite;Data Source=/tmp/z.db", QStringLiteral("Provider=SQLite;Data Source=/tmp/z.db"),
         QString()},
        {1003, "Registry=Other", QString(), QStringLiteral("Other")},
        {1004, nullptr, Data::designTimeConnectionString(1004), QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.override_ ? c.override_ : "no override");
        const char *variable = c.id == 1003 ? "QUORVET_CONNECTION_ZELMAR" : "QUORVET_CONNECTION_KORDA";
        if (c.override_)
            qputenv(variable, c.override_);
        else
            qunsetenv(variable);
        EXPECT_EQ(Data::connectionString(c.id), c.string);
        EXPECT_EQ(Data::registryEntry(c.id), c.entry);
        qunsetenv(variable);
    }
}

TEST(NamedConnections, ARegistryOverrideWithoutAnEntryIsAConfigurationError)
{
    const struct
    {
        const char *value;
        bool refused;
    } cases[] = {
        {"Registry=", true},
        {" registry =", false},
        {" REGISTRY=  ", true},
        {"Registry=Korda", false},
        {"Provider=SQLite;Data Source=/tmp/k.db", false},
        {"", false},
    };
    for (const auto &c : cases) {
        qputenv("QUORVET_CONNECTION_KORDA", c.value);
        const QString error = Data::configurationError();
        EXPECT_EQ(error.contains(QLatin1String("QUORVET_CONNECTION_KORDA")), c.refused) << c.value;
        EXPECT_EQ(error.isEmpty(), !c.refused) << c.value;
    }
    qunsetenv("QUORVET_CONNECTION_KORDA");
}

TEST(SqlServerProvider, ClosedPortOnLoopbackFailsToOpen)
{
    auto conn = std::make_shared<Connection>();
    conn->setConnectionString(QStringLiteral("Provider=SQLOLEDB.1;Password=x;Persist Security Info=True;User ID=sa;"
                                             "Initial Catalog=Pelvrin;Data Source=127.0.0.1,1;Connect Timeout=3"));
    const RuntimeError e = raisedBy([&] { conn->Open(); });
    EXPECT_EQ(e.number(), AdoError::OpenFailed);
    EXPECT_FALSE(e.description().trimmed().isEmpty());
    EXPECT_EQ(conn->State(), 0);
    ASSERT_GE(conn->Errors().Count(), 1);
    EXPECT_EQ(conn->Errors().Item(0).Number(), AdoError::OpenFailed);
    EXPECT_EQ(raisedBy([&] { conn->Execute(QStringLiteral("SELECT @@TRANCOUNT as flTrans")); }).number(), 3709);

    // A value that would make the ODBC layer read a file DSN is refused before anything is contacted.
    EXPECT_EQ(raisedBy([&] {
                  conn->Open(QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=x.DSN;Data Source=127.0.0.1,1"));
              }).number(),
              AdoError::OpenFailed);
    EXPECT_EQ(conn->State(), 0);
}

TEST(SqlServerProvider, SilentServerOnLoopbackEndsInTheLoginTimeout)
{
    // A listening socket that never answers: the handshake completes in the kernel, the login never does.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);

    auto conn = std::make_shared<Connection>();
    const RuntimeError e = raisedBy([&] {
        conn->Open(QStringLiteral("Provider=SQLOLEDB;User ID=sa;Password=x;Data Source=127.0.0.1,%1;Connect Timeout=1")
                       .arg(ntohs(address.sin_port)));
    });
    ::close(listener);
    EXPECT_EQ(e.number(), AdoError::OpenFailed);
    EXPECT_FALSE(e.description().contains(QLatin1String("[FreeTDS]"))) << e.description().toStdString();
    EXPECT_EQ(conn->State(), 0);
}

} // namespace

// The OLE DB connection string parser and its ODBC translation on any text: nothing crashes,
// any value written with quoted() after a key reads back as itself, and every value the
// translation wraps in braces reads back exactly as FreeTDS reads it, so no value can end its
// braces early and add keys of its own (a value that could is refused). The input is split by
// FuzzedDataProvider into the OLE DB string, the driver, a user and a password.
#include "data/connectionstringparts.h"
#include "data/sqlserverodbc.h"
#include "fuzz/fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QMap>

#include <cstdint>

namespace {

QString text(FuzzedDataProvider &provider, size_t maxLength)
{
    const std::string bytes = provider.ConsumeRandomLengthString(maxLength);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// Reads an ODBC connection string the way the FreeTDS driver does: KEY=value pairs separated
// by ';', a value that starts with '{' runs to the first '}' followed by ';' or the end, with
// nothing unescaped. Every key must appear once; a malformed string fails the check.
QMap<QString, QString> readOdbc(const QString &odbc)
{
    QMap<QString, QString> pairs;
    qsizetype i = 0;
    while (i < odbc.size()) {
        const qsizetype equals = odbc.indexOf(QLatin1Char('='), i);
        FUZZ_CHECK(equals > i, odbc);
        const QString key = odbc.mid(i, equals - i);
        FUZZ_CHECK(!key.contains(QLatin1Char(';')) && !key.contains(QLatin1Char('{')), odbc);
        i = equals + 1;
        QString value;
        if (i < odbc.size() && odbc[i] == QLatin1Char('{')) {
            ++i;
            const qsizetype close = odbc.indexOf(QLatin1String("};"), i);
            FUZZ_CHECK(close >= 0, QStringLiteral("unclosed brace: ") + odbc);
            value = odbc.mid(i, close - i);
            i = close + 1;
        } else {
            const qsizetype semicolon = odbc.indexOf(QLatin1Char(';'), i);
            FUZZ_CHECK(semicolon >= 0, odbc);
            value = odbc.mid(i, semicolon - i);
            i = semicolon;
        }
        ++i; // the ';'
        FUZZ_CHECK(!pairs.contains(key.toUpper()),
                   QStringLiteral("repeated key ") + key + QStringLiteral(" in ") + odbc);
        pairs.insert(key.toUpper(), value);
    }
    return pairs;
}

QString firstOf(const ConnectionStringParts &parts, std::initializer_list<const char *> keys)
{
    for (const char *key : keys)
        if (parts.contains(QString::fromLatin1(key)))
            return parts.value(QString::fromLatin1(key));
    return QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const QString driver = text(provider, 32);
    const QString user = text(provider, 32);
    const QString password = text(provider, 32);
    const QString oledb = text(provider, 4096);

    // A password composed into a string reads back as itself, and so do the keys around it.
    const ConnectionStringParts composed = ConnectionStringParts::parse(
        QStringLiteral("User ID=sa;Password=") + ConnectionStringParts::quoted(password) + QStringLiteral(";Next=1"));
    FUZZ_CHECK(composed.value(QStringLiteral("Password")) == password, ConnectionStringParts::quoted(password));
    FUZZ_CHECK(composed.value(QStringLiteral("Next")) == QStringLiteral("1"), ConnectionStringParts::quoted(password));

    const QString braced = SqlServerOdbc::braced(oledb);
    if (SqlServerOdbc::canBrace(oledb)) {
        const QMap<QString, QString> single = readOdbc(QStringLiteral("K=") + braced + QLatin1Char(';'));
        FUZZ_CHECK(single.value(QStringLiteral("K")) == oledb, braced);
    }

    const ConnectionStringParts parts = ConnectionStringParts::parse(oledb);
    for (const auto &pair : parts.pairs())
        FUZZ_CHECK(parts.contains(pair.first), pair.first);
    (void)SqlServerOdbc::loginTimeoutSeconds(parts);

    const QString dataSourceText = firstOf(parts, {"Data Source", "Server", "Address", "Addr"});
    const SqlServerOdbc::DataSource ds = SqlServerOdbc::parseDataSource(dataSourceText);
    FUZZ_CHECK(ds.port >= 0 && ds.port <= 65535, dataSourceText);

    QString problem;
    const QString odbc = SqlServerOdbc::odbcConnectionString(parts, driver, user, password, &problem);
    if (!problem.isEmpty())
        return 0; // refused: some value holds "};"
    const QMap<QString, QString> read = readOdbc(odbc);
    FUZZ_CHECK(read.value(QStringLiteral("DRIVER")) == driver, odbc);
    const QString server = ds.port > 0 || ds.instance.isEmpty() ? ds.host : ds.host + QLatin1Char('\\') + ds.instance;
    FUZZ_CHECK(read.value(QStringLiteral("SERVER")) == server, odbc);
    FUZZ_CHECK(read.value(QStringLiteral("DATABASE")) == firstOf(parts, {"Initial Catalog", "Database"}), odbc);
    const QString uid = user.isEmpty() ? firstOf(parts, {"User ID", "UID", "User"}) : user;
    const QString pwd = password.isEmpty() ? firstOf(parts, {"Password", "PWD"}) : password;
    FUZZ_CHECK(read.value(QStringLiteral("UID")) == uid, odbc);
    FUZZ_CHECK(read.value(QStringLiteral("PWD")) == pwd, odbc);
    FUZZ_CHECK(read.value(QStringLiteral("PORT")) == (ds.port > 0 ? QString::number(ds.port) : QString()), odbc);
    return 0;
}

#include "data/sqlserverodbc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace SqlServerOdbc {

DataSource parseDataSource(const QString &text)
{
    DataSource ds;
    QString rest = text.trimmed();
    if (rest.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        rest = rest.mid(4).trimmed();
    const int comma = int(rest.lastIndexOf(QLatin1Char(',')));
    if (comma >= 0) {
        bool ok = false;
        const int port = rest.mid(comma + 1).trimmed().toInt(&ok);
        if (ok && port > 0 && port <= 65535)
            ds.port = port;
        rest = rest.left(comma).trimmed();
    }
    const int slash = int(rest.indexOf(QLatin1Char('\\')));
    if (slash >= 0) {
        ds.instance = rest.mid(slash + 1).trimmed();
        rest = rest.left(slash).trimmed();
    }
    if (rest == QLatin1String(".") || rest.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        rest = QStringLiteral("127.0.0.1");
    ds.host = rest;
    return ds;
}

QString braced(const QString &value)
{
    // FreeTDS ends a braced value at the first "}" before ';' or the end and keeps "}}" as
    // two braces, so doubling (as the ODBC documentation has it) would change the value.
    return QLatin1Char('{') + value + QLatin1Char('}');
}

bool canBrace(const QString &value)
{
    return !value.contains(QLatin1String("};"));
}

namespace {
QString firstOf(const ConnectionStringParts &parts, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const QString k = QString::fromLatin1(key);
        if (parts.contains(k))
            return parts.value(k);
    }
    return QString();
}
} // namespace

QString odbcConnectionString(const ConnectionStringParts &parts, const QString &driver, const QString &user,
                             const QString &password, QString *problem)
{
    const DataSource ds = parseDataSource(firstOf(parts, {"Data Source", "Server", "Address", "Addr"}));
    QStringList out;
    const auto braced = [&](const QString &value) {
        if (problem && problem->isEmpty() && !canBrace(value))
            *problem = QStringLiteral(
                "Um valor da cadeia de ligação contém \"};\", que o controlador FreeTDS não aceita.");
        return SqlServerOdbc::braced(value);
    };
    out << QStringLiteral("DRIVER=") + braced(driver);
    // A port wins over the instance; without one FreeTDS asks the server's browser service.
    if (ds.port > 0 || ds.instance.isEmpty())
        out << QStringLiteral("SERVER=") + braced(ds.host);
    else
        out << QStringLiteral("SERVER=") + braced(ds.host + QLatin1Char('\\') + ds.instance);
    if (ds.port > 0)
        out << QStringLiteral("PORT=") + QString::number(ds.port);
    const QString catalog = firstOf(parts, {"Initial Catalog", "Database"});
    if (!catalog.isEmpty())
        out << QStringLiteral("DATABASE=") + braced(catalog);
    const QString uid = user.isEmpty() ? firstOf(parts, {"User ID", "UID", "User"}) : user;
    const QString pwd = password.isEmpty() ? firstOf(parts, {"Password", "PWD"}) : password;
    out << QStringLiteral("UID=") + braced(uid);
    out << QStringLiteral("PWD=") + braced(pwd);
    out << QStringLiteral("TDS_Version=7.4");
    out << QStringLiteral("ClientCharset=UTF-8");
    // FreeTDS then cancels a statement unanswered this long (and gives the link up when the
    // cancel is not answered either); the statement fails with "Timeout expired".
    out << QStringLiteral("Timeout=") + QString::number(commandTimeoutSeconds(parts));
    return out.join(QLatin1Char(';')) + QLatin1Char(';');
}

int loginTimeoutSeconds(const ConnectionStringParts &parts)
{
    bool ok = false;
    const int seconds = firstOf(parts, {"Connect Timeout", "Connection Timeout", "Timeout"}).trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : 15;
}

int commandTimeoutSeconds(const ConnectionStringParts &parts)
{
    bool ok = false;
    const int seconds = parts.value(QStringLiteral("Command Timeout")).trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : 30;
}

QString freeTdsDriver()
{
    QStringList inis;
    const QString sysIni = qEnvironmentVariable("ODBCSYSINI");
    if (!sysIni.isEmpty())
        inis << QDir(sysIni).filePath(QStringLiteral("odbcinst.ini"));
    inis << QStringLiteral("/etc/odbcinst.ini") << QStringLiteral("/usr/local/etc/odbcinst.ini");
    for (const QString &path : inis) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&f);
        while (!in.atEnd())
            if (in.readLine().trimmed().compare(QLatin1String("[FreeTDS]"), Qt::CaseInsensitive) == 0)
                return QStringLiteral("FreeTDS");
    }
    const QStringList libraries{QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"),
                                QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so"),
                                QStringLiteral("/usr/lib/odbc/libtdsodbc.so"),
                                QStringLiteral("/usr/local/lib/libtdsodbc.so")};
    for (const QString &lib : libraries)
        if (QFileInfo(lib).isFile())
            return lib;
    return QStringLiteral("FreeTDS");
}

} // namespace SqlServerOdbc

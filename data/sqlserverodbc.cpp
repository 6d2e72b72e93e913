#include "data/sqlserverodbc.h"

#include "data/dberror.h"
#include "data/providersession.h"

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
    // FreeTDS takes a braced value as it stands up to the first "};" and does not read "}}" as
    // one '}', while the driver manager ends it at the first lone '}': no spelling of a '}'
    // reaches the server intact through both, so such a value is refused, never altered.
    if (value.contains(QLatin1Char('}')) || value.contains(QChar(0)))
        throw ProviderFailure{AdoError::OpenFailed,
                              QStringLiteral("Os valores da cadeia de ligação não podem conter \"}\"."), QString(), 0};
    return QLatin1Char('{') + value + QLatin1Char('}');
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
                             const QString &password)
{
    const DataSource ds = parseDataSource(firstOf(parts, {"Data Source", "Server", "Address", "Addr"}));
    QStringList out;
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
    return out.join(QLatin1Char(';')) + QLatin1Char(';');
}

int loginTimeoutSeconds(const ConnectionStringParts &parts)
{
    bool ok = false;
    const int seconds = firstOf(parts, {"Connect Timeout", "Connection Timeout", "Timeout"}).trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds : 15;
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

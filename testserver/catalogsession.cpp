#include "testserver/catalogsession.h"

#include "data/connectionstringparts.h"
#include "data/sqlitesession.h"

#include <QString>
#include <QStringList>

namespace {
// A connection string value in double quotes, inner quotes doubled.
QString quoted(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + v + QLatin1Char('"');
}
} // namespace

std::shared_ptr<SqliteSession> openCatalogSession(const CatalogFile &catalog)
{
    QStringList attached;
    for (const std::string &file : catalog.attached)
        attached << QString::fromStdString(file);
    QString text = QStringLiteral("Provider=SQLite;Data Source=") + quoted(QString::fromStdString(catalog.file));
    if (!attached.isEmpty())
        text += QStringLiteral(";Attach=") + quoted(attached.join(QLatin1Char(',')));
    return SqliteSession::open(ConnectionStringParts::parse(text));
}

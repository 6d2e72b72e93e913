#include "tools/demodb/demoenvironment.h"

#include <QDir>

namespace {

QString dataSource(const QString &directory, const QString &file)
{
    return QStringLiteral("Provider=SQLite;Data Source=") + QDir(directory).filePath(file);
}

} // namespace

QString DemoEnvironment::sqlServerConnection(const QString &absoluteDirectory)
{
    return dataSource(absoluteDirectory, QStringLiteral("checkin.db"));
}

QString DemoEnvironment::zelmarConnection(const QString &absoluteDirectory)
{
    return dataSource(absoluteDirectory, QStringLiteral("checkin.db"));
}

QString DemoEnvironment::kordaConnection(const QString &absoluteDirectory)
{
    return dataSource(absoluteDirectory, QStringLiteral("korda.db")) + QStringLiteral(";Attach=")
           + QDir(absoluteDirectory).filePath(QStringLiteral("checkin.db"));
}

QString DemoEnvironment::shellQuote(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QStringList DemoEnvironment::shellLines(const QString &absoluteDirectory)
{
    return {
        QStringLiteral("QUORVET_CONNECTION_SQLSERVER=") + shellQuote(sqlServerConnection(absoluteDirectory)),
        QStringLiteral("QUORVET_CONNECTION_ZELMAR=") + shellQuote(zelmarConnection(absoluteDirectory)),
        QStringLiteral("QUORVET_CONNECTION_KORDA=") + shellQuote(kordaConnection(absoluteDirectory)),
    };
}

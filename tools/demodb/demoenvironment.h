#pragma once

#include <QString>
#include <QStringList>

// The embedded connection strings of a demo set and their shell form. The desk reads them
// from QUORVET_CONNECTION_SQLSERVER, _ZELMAR and _KORDA. Plain functions, nothing fails.
namespace DemoEnvironment {

// "Provider=SQLite;Data Source=<dir>/checkin.db" and so on, for SqlServer, ZELMAR and KORDA;
// KORDA's string attaches checkin.db so that the VIP query finds tbConvites.
QString sqlServerConnection(const QString &absoluteDirectory);
QString zelmarConnection(const QString &absoluteDirectory);
QString kordaConnection(const QString &absoluteDirectory);

// The text in single quotes, safe for a POSIX shell ("it's" gives 'it'\''s').
QString shellQuote(const QString &text);

// NAME='value' lines for the three connections, for eval or source (with set -a to export).
QStringList shellLines(const QString &absoluteDirectory);

} // namespace DemoEnvironment

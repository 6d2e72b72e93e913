#pragma once

#include <QString>

#include <vector>

// The pre-flight an event's IT runs before the doors open (quorvet --check-server): the
// desk's three named connections, with the strings the desk would use (design-time,
// QUORVET_CONNECTION_* overrides, registry entries), are opened and asked everything the
// desk and its windows will need. Every statement the desk sends is tried on the connection
// that sends it with no rows asked for (SELECT TOP 0 of the very text), so a missing table,
// view or column is named by the server itself. The write of checked_in is tried inside a
// transaction that is rolled back and changes no value; nothing else writes. No window, no
// dialog, no error report: each check gives one line.
class ServerCheck
{
public:
    enum class Status { Ok, Warning, Failure };

    struct Line
    {
        Status status;
        QString connection; // "SqlServer", "ZELMAR", "KORDA", or empty for the set-up
        QString subject;    // what was checked, in Portuguese
        QString detail;     // what was found, or why it failed, one line
    };

    // Runs every check, in the order of the connections.
    std::vector<Line> run();

    // "ok", "aviso" or "FALHA".
    static QString marker(Status status);
    // "FALHA KORDA: lista de VIPs: no such table: tbConvites"
    static QString text(const Line &line);
    // {"ok": bool, "checks": [{"status", "connection", "check", "detail"}]}
    static QByteArray json(const std::vector<Line> &lines);
    // 0 when no line failed (warnings pass), 1 otherwise.
    static int exitCode(const std::vector<Line> &lines);

    // The statement with its rows left out: "SELECT [TOP n] ..." becomes "SELECT TOP 0 ...".
    static QString withoutRows(const QString &select);

    // The desk's clock may be this far from the server's before a warning (entry times are
    // the server's, the journal's times are the desk's).
    static constexpr int ClockToleranceSeconds = 60;
};

#pragma once

#include <QString>

#include <cstdint>

// The error reporter that stands behind every error handler's tail. Each report is one
// JSON line (time and the five texts) appended to $QUORVET_ERROR_LOG, by default
// $XDG_STATE_HOME/quorvet/error-reports.log (~/.local/state/quorvet/ when unset).
// It never throws and never blocks the desk: a failed write goes to stderr.
namespace ErrorReporting {

struct Report
{
    QString company;
    QString application;
    QString source;
    QString procedure;
    QString message;
};

QString logPath();
void report(const Report &r) noexcept;

// The tail's filter: number 0, number 3709 and a description of nothing but spaces (U+0020;
// tabs and line breaks are text) are never reported.
bool shouldReport(int32_t number, const QString &description);

// "Error Number = N | Description = D", the message the modules send.
QString moduleMessage(int32_t number, const QString &description);

// Tails for use inside a catch block (they read the exception being handled).
// Windows: company "Velkor Software", application "Quorvet", source = window name,
// message = the description unchanged.
void formTail(const QString &source, const QString &procedure) noexcept;
// Modules: company "Tarnis Brenix Software", the module's application and name, the module message.
void moduleTail(const QString &application, const QString &module, const QString &procedure) noexcept;

// The same tails for an error already taken apart.
void formTail(const QString &source, const QString &procedure, int32_t number, const QString &description) noexcept;
void moduleTail(const QString &application, const QString &module, const QString &procedure, int32_t number,
                const QString &description) noexcept;

} // namespace ErrorReporting

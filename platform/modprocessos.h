#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

// Ends running processes by the file name of their executable. The walk over the process
// list is split from the real process table so that the matching and the stopping rule can
// be exercised on a list of our own; only TerminarProcesso() reads the live table and sends
// signals. Failures are never raised: a process that cannot be ended leaves false as the
// current result.
namespace modProcessos {

// One row of a process snapshot: its id, the path (or bare name) of its executable and the
// user it runs for (the real uid; on Windows the session id), -1 when unknown.
struct ProcessEntry
{
    int64_t pid = 0;
    QString exePath;
    int64_t owner = -1;
};

// The entry's file name: the directory part dropped, lower-cased.
QString processFileName(const QString &exePath);

// True when the last characters of the file name equal the wanted name, letter case
// aside. An empty wanted name matches nothing (it would otherwise match every process).
bool processNameMatches(const QString &fileName, const QString &wanted);

// The running processes in ascending pid order. The executable comes from
// /proc/PID/exe, or from the first word of /proc/PID/cmdline when that link is unreadable;
// the owner is the real uid of /proc/PID/status.
QList<ProcessEntry> runningProcesses();

struct WalkResult
{
    bool lastSucceeded = false;     // whether the last termination attempt succeeded
    bool ownProcessMatched = false; // the walk stopped at our own process
    QList<int64_t> attempted;       // pids handed to the terminator, in order
};

// Walks the snapshot in its order, hands every match of ownOwner other than ownPid to
// terminate and keeps its result; meeting ownPid among the matches ends the walk there.
// Processes of other users (and of an unknown owner) are never touched: on a shared
// machine they are other operators' desks.
WalkResult walkAndTerminate(const QList<ProcessEntry> &snapshot, const QString &wanted, int64_t ownPid,
                            int64_t ownOwner, const std::function<bool(int64_t pid)> &terminate);

// How the program's own process ends when it is among the matches. The default is a
// normal process exit (std::exit(0): stdio flushed, static objects destroyed); the desk
// installs one that leaves its event loop instead. Returns the previous handler.
using OwnProcessExit = std::function<void()>;
OwnProcessExit setOwnProcessExit(OwnProcessExit handler);

// Ends every running process of this user (the same real uid) whose executable file name
// ends with exeName (letter case aside), in ascending pid order, with SIGKILL. Returns whether the last attempt
// succeeded, false when nothing matched. When the program's own process matches, the walk stops there and the
// own-process exit handler runs; processes later in the order survive.
bool TerminarProcesso(const QString &exeName);

} // namespace modProcessos

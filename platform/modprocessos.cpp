#include "platform/modprocessos.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

#ifdef _WIN32
#include <tlhelp32.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace modProcessos {
namespace {

OwnProcessExit &ownProcessExit()
{
    static OwnProcessExit handler;
    return handler;
}

void endOwnProcess()
{
    if (ownProcessExit()) {
        ownProcessExit()();
        return;
    }
    std::exit(0);
}

#ifndef _WIN32
// The real uid of the process at /proc/PID, the first number of the "Uid:" line of its
// status (the file's owner would be the effective uid), or -1 when unreadable.
int64_t realUid(const QString &procDir)
{
    QFile status(procDir + QStringLiteral("/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // Files of /proc have no size, so the whole text is read rather than line by line.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Uid:")) {
            bool ok = false;
            const int64_t uid = line.mid(4).simplified().split(' ').value(0).toLongLong(&ok);
            return ok ? uid : -1;
        }
    }
    return -1;
}
#endif

} // namespace

QString processFileName(const QString &exePath)
{
    QString name = exePath;
    const int nul = name.indexOf(QChar(0));
    if (nul >= 0)
        name.truncate(nul);
    const int slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(slash + 1).toLower();
}

bool processNameMatches(const QString &fileName, const QString &wanted)
{
    if (wanted.isEmpty())
        return false;
    return fileName.toLower().endsWith(wanted.toLower());
}

QList<ProcessEntry> runningProcesses()
{
    QList<ProcessEntry> list;
#ifndef _WIN32
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool isPid = false;
        const int64_t pid = name.toLongLong(&isPid);
        if (!isPid || pid <= 0)
            continue;
        const QString base = QStringLiteral("/proc/") + name;
        QString exe = QFile::symLinkTarget(base + QStringLiteral("/exe"));
        // A replaced or removed executable still names the process that runs it.
        if (exe.endsWith(QStringLiteral(" (deleted)")))
            exe.chop(10);
        if (exe.isEmpty()) {
            QFile cmdline(base + QStringLiteral("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly)) {
                const QByteArray raw = cmdline.read(4096);
                exe = QString::fromLocal8Bit(raw.left(raw.indexOf('\0') >= 0 ? raw.indexOf('\0') : raw.size()));
                exe = exe.section(QLatin1Char(' '), 0, 0);
            }
        }
        if (!exe.isEmpty())
            list.append({pid, exe, realUid(base)});
    }
    std::sort(list.begin(), list.end(), [](const ProcessEntry &a, const ProcessEntry &b) { return a.pid < b.pid; });
#endif
    return list;
}

WalkResult walkAndTerminate(const QList<ProcessEntry> &snapshot, const QString &wanted, int64_t ownPid,
                            int64_t ownOwner, const std::function<bool(int64_t pid)> &terminate)
{
    WalkResult result;
    for (const ProcessEntry &entry : snapshot) {
        if (entry.owner != ownOwner || !processNameMatches(processFileName(entry.exePath), wanted))
            continue;
        if (entry.pid == ownPid) {
            result.ownProcessMatched = true;
            break;
        }
        result.attempted.append(entry.pid);
        result.lastSucceeded = terminate(entry.pid);
    }
    return result;
}

OwnProcessExit setOwnProcessExit(OwnProcessExit handler)
{
    OwnProcessExit previous = std::move(ownProcessExit());
    ownProcessExit() = std::move(handler);
    return previous;
}

#ifdef _WIN32
bool TerminarProcesso(const QString &exeName)
{
    QList<ProcessEntry> snapshot;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry;
        entry.dwSize = sizeof(entry);
        for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry)) {
            DWORD session = 0;
            const bool known = ProcessIdToSessionId(entry.th32ProcessID, &session) != 0;
            snapshot.append({int64_t(entry.th32ProcessID), QString::fromWCharArray(entry.szExeFile),
                             known ? int64_t(session) : -1});
        }
        CloseHandle(snap);
    }
    DWORD ownSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ownSession);
    const WalkResult walk = walkAndTerminate(snapshot, exeName, int64_t(GetCurrentProcessId()), int64_t(ownSession),
                                             [](int64_t pid) {
                                                 HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid));
                                                 if (!process)
                                                     return false;
                                                 const bool ended = TerminateProcess(process, 0) != 0;
                                                 CloseHandle(process);
                                                 return ended;
                                             });
    if (walk.ownProcessMatched)
        endOwnProcess();
    return walk.lastSucceeded;
}
#else
bool TerminarProcesso(const QString &exeName)
{
    const WalkResult walk = walkAndTerminate(runningProcesses(), exeName, int64_t(::getpid()), int64_t(::getuid()),
                                             [](int64_t pid) { return ::kill(pid_t(pid), SIGKILL) == 0; });
    if (walk.ownProcessMatched)
        endOwnProcess();
    return walk.lastSucceeded;
}
#endif

} // namespace modProcessos

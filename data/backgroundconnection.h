#pragma once

#include "data/connection.h"
#include "platform/runtimeerror.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

// A connection of its own to one of the desk's named connections (Data), or to a connection
// string, used on a thread of its own, so that reads for the windows (the guest search, the
// live entry count) never wait on, or hold up, the check-in's connections and the
// user-interface thread.
//
// run() queues a job; jobs run one after another on the worker thread with the connection
// open (opened on first use from the named connection's string or registry entry, and opened
// afresh after any failure). A job returns what is to be done with its result on the thread
// of this object; a job that throws, or a connection that cannot be opened, calls `failed`
// there with the error (number and description) instead. Nothing is shown or reported from here.
// Results still queued when this object is destroyed are dropped; the destructor waits a
// little for a running job and then leaves the thread to end on its own.
class BackgroundConnection : public QObject
{
    Q_OBJECT
public:
    using Then = std::function<void()>;
    using Job = std::function<Then(const ConnectionRef &connection)>;

    // priority is the worker thread's; IdlePriority runs it only on
    // otherwise idle processor time (SCHED_IDLE on Linux).
    explicit BackgroundConnection(int memberId, QThread::Priority priority = QThread::LowPriority,
                                  QObject *parent = nullptr);
    // The same on a connection opened from a connection string (such as the local copy's).
    explicit BackgroundConnection(const QString &connectionString, QThread::Priority priority = QThread::LowPriority,
                                  QObject *parent = nullptr);
    ~BackgroundConnection() override;

    void run(Job job, std::function<void(const CurrentError &error)> failed);
    // Runs work on the worker's thread without opening its connection (to close there what a
    // job opened there); nothing comes back.
    void post(std::function<void()> work);

    // A new open connection to a named connection, from its string or its registry entry;
    // RuntimeError when it cannot be opened. For jobs that need a second database.
    static ConnectionRef openNamed(int memberId);

    // For the end of main(), once the windows are gone and before the application object
    // goes: waits up to waitMs for the threads whose jobs outlived their owner. The SQL
    // drivers' global clean-up would close their connections under them, so when one is still
    // held (by a server that does not answer) the process ends here with exitCode, standard
    // output flushed, without running the global destructors.
    static void endLeftovers(int waitMs, int exitCode);

private:
    class Worker;
    BackgroundConnection(std::function<ConnectionRef()> open, QThread::Priority priority, QObject *parent);

    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
};

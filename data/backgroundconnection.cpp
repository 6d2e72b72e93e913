#include "data/backgroundconnection.h"

#include "data/dataenvironment.h"
#include "data/modtestconnection.h"
#include "platform/runtimeerror.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Threads left to end on their own by an owner that did not wait for them.
QMutex leftoverMutex;
std::vector<QThread *> leftoverThreads;

void forgetLeftover(QThread *thread)
{
    const QMutexLocker lock(&leftoverMutex);
    leftoverThreads.erase(std::remove(leftoverThreads.begin(), leftoverThreads.end(), thread), leftoverThreads.end());
}

} // namespace

// Lives on the worker thread and owns the connection there.
class BackgroundConnection::Worker : public QObject
{
    Q_OBJECT
public:
    explicit Worker(std::function<ConnectionRef()> open) : m_open(std::move(open)) {}

    const ConnectionRef &connection()
    {
        if (m_connection && m_connection->State() == Connection::StateOpen)
            return m_connection;
        m_connection.reset();
        m_connection = m_open();
        return m_connection;
    }

    void drop() { m_connection.reset(); }

signals:
    // What the owner does with a job's result, delivered on the owner's thread.
    void done(BackgroundConnection::Then then);

private:
    const std::function<ConnectionRef()> m_open;
    ConnectionRef m_connection;
};

ConnectionRef BackgroundConnection::openNamed(int memberId)
{
    auto connection = std::make_shared<Connection>();
    QString connectionString = Data::connectionString(memberId);
    QString registryEntry = Data::registryEntry(memberId);
    if (!connectionString.isEmpty()) {
        connection->Open(connectionString);
    } else if (!modTestConnection::BuildConnectionString(connection, registryEntry, connectionString)) {
        throw RuntimeError(-2147467259,
                           QStringLiteral("Não foi possivel ligar ao servidor ") + Data::connectionName(memberId));
    }
    return connection;
}

BackgroundConnection::BackgroundConnection(int memberId, QThread::Priority priority, QObject *parent)
    : BackgroundConnection([memberId] { return openNamed(memberId); }, priority, parent)
{
}

BackgroundConnection::BackgroundConnection(const QString &connectionString, QThread::Priority priority, QObject *parent)
    : BackgroundConnection(
        [connectionString] {
            auto connection = std::make_shared<Connection>();
            connection->Open(connectionString);
            return connection;
        },
        priority, parent)
{
}

BackgroundConnection::BackgroundConnection(std::function<ConnectionRef()> open, QThread::Priority priority,
                                           QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new Worker(std::move(open)))
{
    m_worker->moveToThread(m_thread);
    // The worker goes with its thread's end, on that thread, and the thread after it.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    // Queued to this object's thread; Qt drops what is still queued when this object goes.
    connect(
        m_worker, &Worker::done, this, [](const Then &then) { then(); }, Qt::QueuedConnection);
    m_thread->start(priority);
}

BackgroundConnection::~BackgroundConnection()
{
    m_thread->quit();
    // A read of a large table ends within a second; a server that does not answer could hold
    // the thread for its whole time-out, and the desk does not wait for that.
    if (m_thread->wait(2000)) {
        delete m_thread;
        return;
    }
    QThread *thread = m_thread;
    {
        const QMutexLocker lock(&leftoverMutex);
        leftoverThreads.push_back(thread);
    }
    // Direct: on the ending thread itself, before anything can delete it.
    connect(
        thread, &QThread::finished, thread, [thread] { forgetLeftover(thread); }, Qt::DirectConnection);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    if (thread->isFinished())
        forgetLeftover(thread);
}

void BackgroundConnection::endLeftovers(int waitMs, int exitCode)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        QThread *thread = nullptr;
        {
            const QMutexLocker lock(&leftoverMutex);
            if (leftoverThreads.empty())
                return;
            thread = leftoverThreads.front();
        }
        if (!thread->wait(deadline))
            break;
        forgetLeftover(thread);
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void BackgroundConnection::run(Job job, std::function<void(const CurrentError &)> failed)
{
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker,
        [worker, job = std::move(job), failed = std::move(failed)] {
            Then then;
            try {
                then = job(worker->connection());
            } catch (...) {
                const CurrentError error = currentError();
                worker->drop();
                then = [failed, error] { failed(error); };
            }
            emit worker->done(then);
        },
        Qt::QueuedConnection);
}

void BackgroundConnection::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_worker, std::move(work), Qt::QueuedConnection);
}

#include "backgroundconnection.moc"

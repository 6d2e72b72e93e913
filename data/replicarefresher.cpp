#include "data/replicarefresher.h"

#include "data/backgroundconnection.h"
#include "data/dataenvironment.h"

#include <QSemaphore>
#include <QThread>

// What the worker thread keeps between refreshes: the member databases' connections and
// the progress of the whole copy under way, which the window's thread polls.
struct ReplicaRefresher::Shared
{
    ConnectionRef zelmar;
    ConnectionRef korda;
    std::atomic<int> percent{-1};
    // Set when the desk closes: a copy under way ends at its next row.
    std::atomic<bool> stop{false};
};

ReplicaRefresher::ReplicaRefresher(QString path, QObject *parent)
    : QObject(parent), m_replica(std::move(path)),
      m_reader(std::make_unique<BackgroundConnection>(Data::SqlServerId, QThread::IdlePriority)),
      m_shared(std::make_shared<Shared>())
{
    m_timer.setInterval(EntriesIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ReplicaRefresher::refreshNow);
    m_progressTimer.setInterval(250);
    connect(&m_progressTimer, &QTimer::timeout, this, &ReplicaRefresher::pollProgress);
}

ReplicaRefresher::~ReplicaRefresher()
{
    // The member databases' connections were opened on the worker's thread and must be closed
    // there: a connection closed on another thread is not removed from the driver's registry
    // and its memory is freed twice at exit. A refresh still running past the wait drops its
    // own hold on them when it ends, on that thread too. A copy under way is stopped first: a
    // whole copy of a large event takes long, and on idle processor time longer still.
    m_shared->stop = true;
    auto released = std::make_shared<QSemaphore>();
    m_reader->post([shared = std::move(m_shared), released]() mutable {
        shared.reset();
        released->release();
    });
    released->tryAcquire(1, 2000);
}

QString ReplicaRefresher::progressText(int percent)
{
    return QStringLiteral("Cópia local: %1 %").arg(percent);
}

void ReplicaRefresher::setIntervals(int entriesMs, int fullMs)
{
    m_timer.setInterval(entriesMs);
    m_fullIntervalMs = fullMs;
}

std::optional<qint64> ReplicaRefresher::ageSeconds() const
{
    if (!m_copiedAt)
        return std::nullopt;
    return m_copiedAt->secsTo(QDateTime::currentDateTimeUtc());
}

void ReplicaRefresher::start()
{
    try {
        m_copiedAt = m_replica.copiedAt();
    } catch (...) {
        m_copiedAt.reset(); // an unreadable file is made anew by the first copy
    }
    m_timer.start();
    run(true);
}

void ReplicaRefresher::refreshNow()
{
    const bool wholeDue = !m_firstDone || !m_lastWhole.isValid()
                          || m_lastWhole.msecsTo(QDateTime::currentDateTimeUtc()) >= m_fullIntervalMs;
    run(wholeDue);
}

void ReplicaRefresher::run(bool whole)
{
    if (m_busy) {
        m_again = true;
        return;
    }
    m_busy = true;
    m_again = false;
    const bool showProgress = whole && !m_firstDone;
    if (showProgress) {
        m_shared->percent = 0;
        m_progressText = progressText(0);
        emit progressChanged(m_progressText);
        m_progressTimer.start();
    }
    const QString path = m_replica.path();
    std::shared_ptr<Shared> shared = m_shared;
    const QDateTime started = QDateTime::currentDateTimeUtc();
    const auto finish = [this, showProgress](bool ok) {
        m_busy = false;
        if (showProgress) {
            m_progressTimer.stop();
            m_progressText.clear();
            emit progressChanged(m_progressText);
        }
        emit refreshed();
        if (ok && m_again)
            refreshNow();
    };
    m_reader->run(
        [path, shared, whole, started, this, finish](const ConnectionRef &checkIn) -> BackgroundConnection::Then {
            LocalReplica replica(path);
            replica.stopWhen(&shared->stop);
            try {
                if (whole) {
                    if (!shared->zelmar || shared->zelmar->State() != Connection::StateOpen)
                        shared->zelmar = BackgroundConnection::openNamed(Data::ZelmarId);
                    if (!shared->korda || shared->korda->State() != Connection::StateOpen)
                        shared->korda = BackgroundConnection::openNamed(Data::KordaId);
                    replica.fillAll(checkIn, shared->zelmar, shared->korda,
                                    [shared](int percent) { shared->percent = percent; });
                } else {
                    replica.refreshEntries(checkIn);
                }
            } catch (...) {
                shared->zelmar.reset();
                shared->korda.reset();
                throw;
            }
            const std::optional<QDateTime> copiedAt = replica.copiedAt();
            return [this, finish, whole, started, copiedAt] {
                m_copiedAt = copiedAt;
                m_lastError.clear();
                if (whole) {
                    m_firstDone = true;
                    m_lastWhole = started;
                }
                finish(true);
            };
        },
        [this, finish](const CurrentError &error) {
            m_lastError = error.description;
            emit failed(m_lastError);
            finish(false);
        });
}

void ReplicaRefresher::pollProgress()
{
    const int percent = m_shared->percent;
    if (percent < 0)
        return;
    const QString text = progressText(percent);
    if (text != m_progressText) {
        m_progressText = text;
        emit progressChanged(m_progressText);
    }
}

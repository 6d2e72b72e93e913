#include "data/sessionpool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <map>
#include <vector>

namespace SessionPool {

const QString Probe = QStringLiteral("SELECT @@TRANCOUNT as flTrans");

namespace {

// Enough for the desk's connections of one check-in while the previous ones are still held.
constexpr size_t MaxIdlePerKey = 4;
// Idle sessions of all keys together: the desk's three databases twice over. Beyond it the
// oldest idle session is closed, so that a process that opens many databases in turn (the
// tests, a desk whose registry is edited) does not keep their files open.
constexpr size_t MaxIdle = 16;
// An idle session older than this is closed rather than proved: the server may have long
// forgotten it, and a desk that stood still that long can afford a login.
constexpr qint64 MaxIdleMs = 5 * 60 * 1000;

struct Idle
{
    std::shared_ptr<ProviderSession> session;
    QElapsedTimer since;
};

std::map<QString, std::vector<Idle>> &idle()
{
    static std::map<QString, std::vector<Idle>> sessions;
    return sessions;
}

bool g_cleanupRegistered = false;
// Fresh logins asked for on this thread (FreshLogins objects alive).
thread_local int t_freshLogins = 0;

// The idle sessions of a key share the server that just failed one of them: none is handed out.
void discardIdle(const QString &key)
{
    const auto found = idle().find(key);
    if (found == idle().end())
        return;
    // Moved out first: closing a session must not touch the map being changed.
    const std::vector<Idle> closing = std::move(found->second);
    idle().erase(found);
}

void closeOldestBeyondLimit()
{
    for (;;) {
        size_t total = 0;
        std::vector<Idle> *oldestList = nullptr;
        for (auto &[key, list] : idle()) {
            total += list.size();
            // Each list is oldest first.
            if (!list.empty() && (!oldestList || list.front().since.elapsed() > oldestList->front().since.elapsed()))
                oldestList = &list;
        }
        if (total <= MaxIdle || !oldestList)
            return;
        // Moved out first: closing a session must not touch the list being changed.
        const std::shared_ptr<ProviderSession> closing = std::move(oldestList->front().session);
        oldestList->erase(oldestList->begin());
    }
}

void giveBack(const QString &key, std::shared_ptr<ProviderSession> session)
{
    if (!QCoreApplication::instance())
        return; // the application is going: the session closes now
    std::vector<Idle> &list = idle()[key];
    if (list.size() >= MaxIdlePerKey)
        return;
    Idle entry{std::move(session), {}};
    entry.since.start();
    list.push_back(std::move(entry));
    closeOldestBeyondLimit();
}

// The session as its owners see it: the pooled one, proved on first use, given back at the end.
class PooledSession : public ProviderSession
{
public:
    PooledSession(QString key, std::shared_ptr<ProviderSession> inner, bool reused, Opener open)
        : m_key(std::move(key)), m_inner(std::move(inner)), m_unproved(reused), m_open(std::move(open))
    {
    }

    ~PooledSession() override
    {
        if (m_inner && !m_failed)
            giveBack(m_key, std::move(m_inner));
    }

    std::unique_ptr<ProviderCursor> execute(const QString &sql, int64_t *affected) override
    {
        if (m_unproved) {
            m_unproved = false;
            const bool isProbe = sql == Probe;
            try {
                int64_t ignored = -1;
                std::unique_ptr<ProviderCursor> cursor = m_inner->execute(isProbe ? sql : Probe,
                                                                          isProbe ? affected : &ignored);
                if (isProbe)
                    return cursor;
            } catch (const ProviderFailure &) {
                // Dead (or unsure), and so are the others of its key: a new login in its
                // place; its failure is the statement's.
                m_inner.reset();
                failed();
                m_inner = m_open();
                m_failed = false;
            }
        }
        if (!m_inner) { // its replacement could not be opened: another try
            failed();
            m_inner = m_open();
            m_failed = false;
        }
        try {
            return m_inner->execute(sql, affected);
        } catch (const ProviderFailure &) {
            failed();
            throw;
        }
    }

private:
    void failed()
    {
        m_failed = true;
        discardIdle(m_key);
    }

    QString m_key;
    std::shared_ptr<ProviderSession> m_inner;
    bool m_unproved;
    bool m_failed = false;
    Opener m_open;
};

bool onMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

bool enabled()
{
    return qEnvironmentVariable("QUORVET_SESSION_POOL").compare(QLatin1String("off"), Qt::CaseInsensitive) != 0;
}

QString key(const ConnectionStringParts &parts, const QString &user, const QString &password)
{
    QString text;
    for (const auto &pair : parts.pairs())
        text += ConnectionStringParts::quoted(pair.first) + QLatin1Char('=')
                + ConnectionStringParts::quoted(pair.second) + QLatin1Char(';');
    return text + QLatin1Char('\n') + ConnectionStringParts::quoted(user) + QLatin1Char('\n')
           + ConnectionStringParts::quoted(password);
}

std::shared_ptr<ProviderSession> take(const QString &key, const Opener &open)
{
    if (!enabled() || !onMainThread())
        return open();
    if (t_freshLogins > 0) {
        std::shared_ptr<ProviderSession> fresh;
        try {
            fresh = open();
        } catch (const ProviderFailure &) {
            discardIdle(key);
            throw;
        }
        return std::make_shared<PooledSession>(key, std::move(fresh), false, open);
    }
    if (!g_cleanupRegistered) {
        // QODBC connections are closed while the application still exists.
        qAddPostRoutine(clear);
        g_cleanupRegistered = true;
    }
    std::shared_ptr<ProviderSession> session;
    auto found = idle().find(key);
    if (found != idle().end()) {
        std::vector<Idle> &list = found->second;
        while (!list.empty() && !session) {
            Idle entry = std::move(list.back());
            list.pop_back();
            if (entry.since.elapsed() <= MaxIdleMs && entry.session->stillCurrent())
                session = std::move(entry.session);
        }
    }
    const bool reused = bool(session);
    if (!session) {
        try {
            session = open();
        } catch (const ProviderFailure &) {
            discardIdle(key);
            throw;
        }
    }
    return std::make_shared<PooledSession>(key, std::move(session), reused, open);
}

FreshLogins::FreshLogins()
{
    ++t_freshLogins;
}

FreshLogins::~FreshLogins()
{
    --t_freshLogins;
}

void clear()
{
    // Moved out first: closing a session must not touch the map being cleared.
    std::map<QString, std::vector<Idle>> closing;
    closing.swap(idle());
    g_cleanupRegistered = false;
}

int idleCount()
{
    int n = 0;
    for (const auto &entry : idle())
        n += int(entry.second.size());
    return n;
}

} // namespace SessionPool

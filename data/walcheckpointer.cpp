#include "data/walcheckpointer.h"

#include "data/sqlservercollation.h"

#include <sqlite3.h>

std::shared_ptr<WalCheckpointer> WalCheckpointer::shared()
{
    static std::mutex mutex;
    static std::weak_ptr<WalCheckpointer> current;
    const std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<WalCheckpointer> checkpointer = current.lock();
    if (!checkpointer) {
        checkpointer.reset(new WalCheckpointer);
        current = checkpointer;
    }
    return checkpointer;
}

WalCheckpointer::WalCheckpointer()
{
    m_thread = std::thread([this] { run(); });
}

WalCheckpointer::~WalCheckpointer()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void WalCheckpointer::watch(sqlite3 *db)
{
    // Replaces SQLite's own hook, which is its automatic checkpoint.
    sqlite3_wal_hook(db, &WalCheckpointer::committed, this);
}

int WalCheckpointer::committed(void *self, sqlite3 *db, const char *schema, int pages)
{
    if (pages >= LaggingWalPages) {
        // Commits that follow each other without a pause keep the WAL from being written again
        // from its start: each begins while this thread is still copying the frames of the one
        // before. The connection then finishes the checkpoint itself, as SQLite would have done
        // at every WalPages; this thread has already copied all but the last frames.
        sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    } else if (pages >= WalPages) {
        const char *file = sqlite3_db_filename(db, schema);
        if (file && *file)
            static_cast<WalCheckpointer *>(self)->request(QByteArray(file));
    }
    return SQLITE_OK;
}

void WalCheckpointer::request(const QByteArray &path)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.insert(path);
    }
    m_wake.notify_one();
}

void WalCheckpointer::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_stopping)
            return;
        const QByteArray path = *m_pending.begin();
        m_pending.erase(m_pending.begin());
        lock.unlock();
        checkpoint(path);
        lock.lock();
    }
}

void WalCheckpointer::checkpoint(const QByteArray &path)
{
    // A connection per checkpoint: the file may have been replaced since the last one. Closing
    // it is cheap while the sessions keep the file open, and when they no longer do, closing
    // the last connection checkpoints the file anyway.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK
        && SqlServerCollation::addTo(db) == SQLITE_OK) {
        // Reading the header opens the WAL, which a checkpoint on a fresh connection needs.
        sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
}

#pragma once

#include <QByteArray>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

struct sqlite3;

// Checkpoints the embedded store's WAL files on a thread of its own, so that a commit never
// does it. SQLite's automatic checkpoint runs inside the commit that fills the WAL to 1000
// pages and syncs the whole database file there: on a database of a million invitations that
// made one accepted check-in in a hundred wait 15 to 20 ms. Here the commit only notes that its
// file's WAL has reached WalPages, and this thread runs a PASSIVE checkpoint of that file on a
// connection of its own, which neither waits for nor holds up readers and writers. Durability
// is unchanged: every commit still syncs the WAL (synchronous FULL), and a checkpoint syncs
// the WAL before copying it and the database after. A WAL that has been copied whole is
// written again from its start by the next commit, so it stays near WalPages pages; under
// commits without a pause it is bounded at LaggingWalPages.
//
// One per process, kept by the sessions that watch() handed their connections to: its thread
// is stopped, and its connection closed, when the last of them lets go. Checkpoints still
// asked for then are left to SQLite, which checkpoints a WAL when its last connection closes.
class WalCheckpointer
{
public:
    static constexpr int WalPages = 1000;
    // A WAL this long is checkpointed by the committing connection itself (see committed()).
    static constexpr int LaggingWalPages = 2 * WalPages;

    static std::shared_ptr<WalCheckpointer> shared();
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer &) = delete;
    WalCheckpointer &operator=(const WalCheckpointer &) = delete;

    // Turns the connection's own checkpoint off and asks this thread for one whenever a commit
    // leaves WalPages or more in one of its files' WAL. The connection must keep this object
    // alive for as long as it is open.
    void watch(sqlite3 *db);

private:
    WalCheckpointer();
    static int committed(void *self, sqlite3 *db, const char *schema, int pages);
    void request(const QByteArray &path);
    void run();
    void checkpoint(const QByteArray &path);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::set<QByteArray> m_pending;
    bool m_stopping = false;
    std::thread m_thread;
};

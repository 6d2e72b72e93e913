#pragma once

#include "testserver/serveroptions.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>

struct ServerLog;

// The listening side: a TCP socket whose connections are each served by a TdsConnection
// on a thread of its own (at most --max-connections of them, and a few more that only refuse
// the login), and with --instance a UDP socket answering the browser query.
// run() returns when stopFd becomes readable (SIGTERM); it then wakes every connection,
// waits for their threads and closes every socket.
class TdsServer
{
public:
    TdsServer(const ServerOptions &options, ServerLog &log);
    ~TdsServer();
    TdsServer(const TdsServer &) = delete;
    TdsServer &operator=(const TdsServer &) = delete;

    // Binds and listens; false with *error set when a socket cannot be had.
    bool listen(std::string *error);
    uint16_t port() const { return m_port; }
    uint16_t browserPort() const { return m_browserPort; }

    void run(int stopFd);

private:
    static constexpr int AcceptPauseMs = 100;
    static constexpr size_t RefusingConnections = 16;

    struct Worker
    {
        std::thread thread;
        int socket;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    // False when accepting should pause (out of descriptors, memory or threads).
    bool accept();
    void answerBrowser();
    void reap(bool all);

    const ServerOptions &m_options;
    ServerLog &m_log;
    int m_listener = -1;
    int m_browser = -1;
    int m_wakePipe[2] = {-1, -1}; // closing the write end wakes every connection
    uint16_t m_port = 0;
    uint16_t m_browserPort = 0;
    uint16_t m_nextSpid = 51;
    bool m_outOfResources = false;
    std::list<Worker> m_workers;
};

#include "testserver/tdsserver.h"

#include "testserver/browserresponder.h"
#include "testserver/serverlog.h"
#include "testserver/tdsconnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace {

bool bindTo(int fd, const std::string &host, uint16_t port, uint16_t *bound, std::string *error)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        *error = "cannot bind " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    *bound = ntohs(address.sin_port);
    return true;
}

} // namespace

TdsServer::TdsServer(const ServerOptions &options, ServerLog &log) : m_options(options), m_log(log)
{
}

TdsServer::~TdsServer()
{
    reap(true);
    for (int fd : {m_listener, m_browser, m_wakePipe[0], m_wakePipe[1]})
        if (fd >= 0)
            close(fd);
}

bool TdsServer::listen(std::string *error)
{
    if (pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    // A restarted server takes its port back at once, whatever connections linger.
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (!bindTo(m_listener, m_options.host, m_options.port, &m_port, error))
        return false;
    if (::listen(m_listener, 64) != 0) {
        *error = std::string("listen: ") + std::strerror(errno);
        return false;
    }
    if (!m_options.instance.empty()) {
        m_browser = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        setsockopt(m_browser, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (!bindTo(m_browser, m_options.host, uint16_t(m_options.browserPort), &m_browserPort, error))
            return false;
    }
    return true;
}

void TdsServer::run(int stopFd)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point acceptAgain = Clock::now();
    for (;;) {
        // While accepting is paused the listener is left out of the poll (its backlog would
        // wake the loop at once), and the loop wakes when the pause ends.
        const bool paused = Clock::now() < acceptAgain;
        pollfd fds[3] = {{stopFd, POLLIN, 0}, {paused ? -1 : m_listener, POLLIN, 0}, {m_browser, POLLIN, 0}};
        const int ready = poll(fds, m_browser >= 0 ? 3 : 2, paused ? AcceptPauseMs : 1000);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            break;
        reap(false);
        if ((fds[1].revents & POLLIN) && !accept())
            acceptAgain = Clock::now() + std::chrono::milliseconds(AcceptPauseMs);
        if (m_browser >= 0 && (fds[2].revents & POLLIN))
            answerBrowser();
    }
    // Stopping: wake the connections waiting on the pipe, unblock those inside send or recv.
    close(m_wakePipe[1]);
    m_wakePipe[1] = -1;
    for (Worker &w : m_workers)
        shutdown(w.socket, SHUT_RDWR);
    reap(true);
}

bool TdsServer::accept()
{
    const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        // Out of descriptors or memory, the pending connection stays in the backlog and poll
        // reports it again at once: accepting pauses instead of spinning.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            if (!m_outOfResources)
                m_log.line(std::string("accept paused: ") + std::strerror(errno));
            m_outOfResources = true;
            return false;
        }
        return true; // the client gave up before it was accepted, or a signal: nothing to wait for
    }
    m_outOfResources = false;
    // Beyond --max-connections a few more connections are served only to be told so, as SQL
    // Server tells them; beyond those the socket is closed unanswered.
    const bool full = m_workers.size() >= size_t(m_options.maxConnections);
    if (full && m_workers.size() >= size_t(m_options.maxConnections) + RefusingConnections) {
        close(fd);
        return true;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const uint16_t spid = m_nextSpid;
    m_nextSpid = m_nextSpid == 65535 ? 51 : uint16_t(m_nextSpid + 1);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const int stopFd = m_wakePipe[0];
    try {
        Worker worker{std::thread([this, fd, stopFd, spid, finished, full] {
                          TdsConnection connection(fd, stopFd, spid, m_options, m_log);
                          if (full)
                              connection.refuseAsFull();
                          connection.serve();
                          shutdown(fd, SHUT_RDWR);
                          finished->store(true);
                      }),
                      fd, finished};
        m_workers.push_back(std::move(worker));
    } catch (const std::system_error &) { // no thread to be had: as out of descriptors
        close(fd);
        return false;
    }
    return true;
}

void TdsServer::answerBrowser()
{
    uint8_t buffer[1024];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = recvfrom(m_browser, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
    if (n <= 0)
        return;
    const std::optional<Bytes> answer = browserResponse(Bytes(buffer, buffer + n), m_options.instance, m_options.host,
                                                        m_port);
    if (answer)
        sendto(m_browser, answer->data(), answer->size(), 0, reinterpret_cast<sockaddr *>(&from), length);
}

void TdsServer::reap(bool all)
{
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (all || it->finished->load()) {
            it->thread.join();
            close(it->socket);
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

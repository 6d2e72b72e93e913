#pragma once

#include <QProcess>
#include <QString>

#include <memory>

// quorvet-tds-server run by a benchmark over a working copy of a demo set: the check-in
// database as the catalogs Pelvrin and ZELMAR, korda.db as KORDA with the check-in database
// attached, on a free loopback port. Its standard error (one line per login) goes to a file
// in the copy's folder. start() throws std::runtime_error when the server does not come up;
// the server ends with SIGTERM at stop() or when the object goes.
class BenchTdsServer
{
public:
    BenchTdsServer() = default;
    ~BenchTdsServer();
    BenchTdsServer(const BenchTdsServer &) = delete;
    BenchTdsServer &operator=(const BenchTdsServer &) = delete;

    void start(const QString &program, const QString &workFolder);
    void stop();

    quint16 port() const { return m_port; }
    // Logins the server has accepted so far.
    int logins() const;
    // Points QUORVET_CONNECTION_SQLSERVER, _ZELMAR and _KORDA of this process (and the
    // processes it starts later) at the server, as SQLOLEDB strings; keys (such as
    // ";Connect Timeout=3") are appended to each.
    void useForDesk(const QString &keys = QString()) const;
    // SIGSTOP and SIGCONT: a hung server, whose sockets take bytes and never answer.
    void freeze();
    void thaw();

private:
    std::unique_ptr<QProcess> m_process;
    QString m_log;
    quint16 m_port = 0;
};

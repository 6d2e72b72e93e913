#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// quorvet-tds-server run as a child of a test: started on a free port (or a given one),
// ready once it has printed "listening on 127.0.0.1:PORT", stopped with SIGTERM when the
// object goes. Its standard error goes to a file, so the test can count logins at any time.
class TdsServerProcess
{
public:
    struct Catalog
    {
        QString name;
        QString file;
        QStringList attached;
    };

    static const QString User;     // "sa"
    static const QString Password; // a password with characters that need care in strings

    TdsServerProcess() = default;
    ~TdsServerProcess();
    TdsServerProcess(const TdsServerProcess &) = delete;
    TdsServerProcess &operator=(const TdsServerProcess &) = delete;

    // Starts the server for User with password; false (with the reason in error()) when it
    // does not come up.
    bool start(const QList<Catalog> &catalogs, const QStringList &extraArguments = {}, quint16 port = 0,
               const QString &password = Password);
    // SIGTERM, then waits for the end; the exit code stays readable.
    void stop();
    // SIGSTOP and SIGCONT: a hung server, whose sockets take bytes and never answer.
    void freeze();
    void thaw();

    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    const QString &error() const { return m_error; }
    int exitCode() const { return m_exitCode; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // Standard error so far, and the login lines in it.
    QString standardError() const;
    int logins() const;
    int refusedLogins() const;

    // The desk's form: "Provider=SQLOLEDB.1;Password=…;Persist Security Info=True;User ID=sa;
    // Initial Catalog=CATALOG;Data Source=127.0.0.1\SQLEXPRESS,PORT".
    // The password is the server's unless given.
    QString connectionString(const QString &catalog, const QString &password = QString()) const;

    static QString program();

private:
    QProcess m_process;
    QString m_stderrPath;
    QString m_error;
    QString m_password;
    quint16 m_port = 0;
    int m_exitCode = -1;
};

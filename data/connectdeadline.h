#pragma once

#include <QDeadlineTimer>
#include <QSet>
#include <QString>

#include <optional>

// One deadline for a group of connection attempts on this thread: the connect test of a
// check-in proves three connections within the Connect Timeout of their strings, not within
// that time each, twice over. While one is in force the SQL Server sessions bound every login
// and statement by what is left of it (at least a second, the drivers' smallest time-out), and
// a server that let a login or a statement run out its whole time-out is taken as not
// answering: the other attempts on it within the same deadline fail at once, so a frozen
// server costs the deadline once and not once per connection and retry.
class ConnectDeadline
{
public:
    explicit ConnectDeadline(int seconds);
    ~ConnectDeadline();
    ConnectDeadline(const ConnectDeadline &) = delete;
    ConnectDeadline &operator=(const ConnectDeadline &) = delete;

    // The deadline in force on this thread, if any.
    static ConnectDeadline *current();

    bool expired() const { return m_deadline.hasExpired(); }
    // Whole seconds left, rounded up, and at least 1.
    int remainingSeconds() const;

    // Servers (as their Data Source names them) found not answering under this deadline.
    void markNotAnswering(const QString &server) { m_notAnswering.insert(server.trimmed().toLower()); }
    bool notAnswering(const QString &server) const { return m_notAnswering.contains(server.trimmed().toLower()); }

private:
    QDeadlineTimer m_deadline;
    ConnectDeadline *m_outer;
    QSet<QString> m_notAnswering;
};

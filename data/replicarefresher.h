#pragma once

#include "data/localreplica.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

class BackgroundConnection;

// Keeps the desk's LocalReplica fresh while the servers answer, on connections and a thread
// of its own (BackgroundConnection, on idle processor time, as the entry count reads): a
// whole copy once started, with its progress for the header ("Cópia local: 45 %"); then
// every few seconds the entry times written since the latest one in the copy, so that
// another desk's entry is in the copy well within half a minute; and a whole copy again at
// longer intervals, which also catches undos and new invitations. A refresh that fails
// leaves the copy as it was and is tried again at the next tick. Nothing is shown or
// reported from here; the copy's age is known at every moment (copiedAt).
class ReplicaRefresher : public QObject
{
    Q_OBJECT
public:
    static constexpr int EntriesIntervalMs = 10000;
    static constexpr int FullIntervalMs = 5 * 60 * 1000;

    explicit ReplicaRefresher(QString path = LocalReplica::defaultPath(), QObject *parent = nullptr);
    ~ReplicaRefresher() override;

    // "Cópia local: 45 %".
    static QString progressText(int percent);

    void setIntervals(int entriesMs, int fullMs);
    // The first whole copy now, then the timed refreshes.
    void start();
    // A refresh of the entry times as soon as none is under way (a whole copy when none was made yet).
    void refreshNow();

    const LocalReplica &replica() const { return m_replica; }
    // The time of the copy on file as of the last refresh that committed (or of the copy found
    // at start); nullopt while there is none.
    std::optional<QDateTime> copiedAt() const { return m_copiedAt; }
    // Seconds since copiedAt; nullopt while there is no copy.
    std::optional<qint64> ageSeconds() const;
    bool busy() const { return m_busy; }
    const QString &lastError() const { return m_lastError; }

signals:
    // The header's text while the first whole copy runs; empty once it has ended.
    void progressChanged(const QString &text);
    // After each refresh that committed, and after each that failed.
    void refreshed();
    void failed(const QString &description);

private:
    struct Shared;
    void run(bool whole);
    void pollProgress();

    LocalReplica m_replica;
    std::unique_ptr<BackgroundConnection> m_reader;
    std::shared_ptr<Shared> m_shared;
    QTimer m_timer;
    QTimer m_progressTimer;
    QDateTime m_lastWhole;
    int m_fullIntervalMs = FullIntervalMs;
    std::optional<QDateTime> m_copiedAt;
    QString m_lastError;
    QString m_progressText;
    bool m_busy = false;
    bool m_again = false;
    bool m_firstDone = false;
};

#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class BackgroundConnection;

// The live count of invitations with an entry time, for the main window's header. It reads
// on a connection and a thread of its own (BackgroundConnection, on idle processor time only),
// every few seconds so that the entries of other desks show within five. This desk's own
// entry or undo changes the count at once (adjust), without a read: a read per check-in
// would compete with the next check-in for the processor. It never blocks the caller, never
// shows or reports anything: a count that cannot be read gives "Entradas: —" and is tried
// again at the next tick. Starts reading when start() is called; owned by its parent.
class EntryCounter : public QObject
{
    Q_OBJECT
public:
    // The interval between reads; with the read itself it stays within the five seconds.
    static constexpr int IntervalMs = 3000;

    explicit EntryCounter(int memberId, QObject *parent = nullptr);
    ~EntryCounter() override;

    static QString query();
    // "Entradas: 1.234" (grouped with "."), or "Entradas: —" without a count.
    static QString text(std::optional<int64_t> count);

    void start();
    // Reads again as soon as the read under way, if any, has ended.
    void refreshNow();
    // This desk's own entry (+1) or undo (-1): shown at once when the count is known. A read
    // under way may or may not have seen it, so its result is let go for the next one.
    void adjust(int delta);
    const QString &currentText() const { return m_text; }

signals:
    void textChanged(const QString &text);

private:
    void show(std::optional<int64_t> count);

    std::unique_ptr<BackgroundConnection> m_reader;
    QTimer m_timer;
    QString m_text;
    std::optional<int64_t> m_count;
    bool m_reading = false;
    bool m_again = false;
    bool m_discard = false;
};

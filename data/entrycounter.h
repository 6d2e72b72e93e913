#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class BackgroundConnection;

// The live count of invitations with an entry time, for the main window's header. It reads
// on a connection and a thread of its own (BackgroundConnection), every few seconds so that
// the entries of other desks show within five, and at once when asked after this desk's own
// entry or undo. It never blocks the caller, never shows or reports anything: a count that
// cannot be read gives "Entradas: —" and is tried again at the next tick. Starts reading
// when start() is called; owned by its parent.
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
    const QString &currentText() const { return m_text; }

signals:
    void textChanged(const QString &text);

private:
    void show(std::optional<int64_t> count);

    std::unique_ptr<BackgroundConnection> m_reader;
    QTimer m_timer;
    QString m_text;
    bool m_reading = false;
    bool m_again = false;
};

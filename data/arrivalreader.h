#pragma once

#include "data/arrivalstatistics.h"

#include <QObject>
#include <QTimer>

#include <memory>

class BackgroundConnection;

// Reads the arrival statistics (ArrivalStatistics::read) on a connection and a thread of its
// own, every IntervalMs and at once when asked, one read at a time: a request while a read is
// under way runs when it ends. The caller's thread never waits on a statement. Each read ends
// in pictureRead or, when a statement or the connection fails, readFailed with the error;
// nothing is shown or reported from here. Starts reading when start() is called; owned by its parent.
class ArrivalReader : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMs = 10000;

    explicit ArrivalReader(int memberId, QObject *parent = nullptr);
    ~ArrivalReader() override;

    void start();
    void refreshNow();
    // The bucket size of the next reads; a read under way with another size is let go.
    void setMinutes(int minutes);
    int minutes() const { return m_minutes; }

signals:
    void pictureRead(const ArrivalStatistics::Picture &picture);
    void readFailed(int number, const QString &description);

private:
    void readEnded();

    std::unique_ptr<BackgroundConnection> m_reader;
    QTimer m_timer;
    int m_minutes = 15;
    bool m_reading = false;
    bool m_again = false;
};

#include "data/arrivalreader.h"

#include "data/backgroundconnection.h"

ArrivalReader::ArrivalReader(int memberId, QObject *parent)
    : QObject(parent), m_reader(std::make_unique<BackgroundConnection>(memberId, QThread::LowPriority))
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ArrivalReader::refreshNow);
}

ArrivalReader::~ArrivalReader() = default;

void ArrivalReader::start()
{
    m_timer.start();
    refreshNow();
}

void ArrivalReader::setMinutes(int minutes)
{
    if (minutes == m_minutes)
        return;
    m_minutes = minutes;
    refreshNow();
}

void ArrivalReader::refreshNow()
{
    if (m_reading) {
        m_again = true;
        return;
    }
    m_reading = true;
    m_again = false;
    const int minutes = m_minutes;
    m_reader->run(
        [this, minutes](const ConnectionRef &connection) -> BackgroundConnection::Then {
            ArrivalStatistics::Picture picture = ArrivalStatistics::read(connection, minutes);
            return [this, picture = std::move(picture)] {
                readEnded();
                // A picture of a bucket size no longer chosen is not shown; the next read comes.
                if (picture.minutes == m_minutes)
                    emit pictureRead(picture);
            };
        },
        [this](const CurrentError &error) {
            readEnded();
            emit readFailed(error.number, error.description);
        });
}

void ArrivalReader::readEnded()
{
    m_reading = false;
    if (m_again)
        QTimer::singleShot(0, this, &ArrivalReader::refreshNow);
}

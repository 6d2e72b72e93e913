#pragma once

#include "data/arrivalstatistics.h"

#include <QChartView>

class QBarSet;
class QLineSeries;

// The picture of the arrivals: one bar per bucket (entries in it; a bucket that starts
// after the server's now in a colour of its own), and over them a line of the running
// total on an axis of its own at the right. Bucket start times on the bottom axis in
// 24-hour time, thinned to a dozen labels. Made with Qt Charts; shows whatever picture it
// was last given.
class ArrivalChart : public QChartView
{
    Q_OBJECT
public:
    explicit ArrivalChart(QWidget *parent = nullptr);

    void setPicture(const ArrivalStatistics::Picture &picture);
    // The number of bars drawn (the buckets of the last picture).
    int barCount() const { return m_bars; }

    static const QColor &pastColour();
    static const QColor &futureColour();

private:
    int m_bars = 0;
};

#include "forms/arrivalchart.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

// An axis top at or above the value: 1, 2 or 5 times a power of ten, at least 5.
double niceTop(int64_t value)
{
    double step = 1;
    while (true) {
        for (double f : {1.0, 2.0, 5.0})
            if (f * step >= double(std::max<int64_t>(value, 5)))
                return f * step;
        step *= 10;
    }
}

QValueAxis *countAxis(int64_t top)
{
    auto *axis = new QValueAxis;
    axis->setRange(0, niceTop(top));
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTickCount(6);
    return axis;
}

} // namespace

const QColor &ArrivalChart::pastColour()
{
    static const QColor c(31, 97, 160);
    return c;
}

const QColor &ArrivalChart::futureColour()
{
    static const QColor c(214, 96, 0);
    return c;
}

ArrivalChart::ArrivalChart(QWidget *parent) : QChartView(parent)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->setAnimationOptions(QChart::NoAnimation);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    setMinimumSize(560, 360);
}

void ArrivalChart::setPicture(const ArrivalStatistics::Picture &picture)
{
    QChart *c = chart();
    c->removeAllSeries();
    for (QAbstractAxis *axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    c->setTitle(QStringLiteral("Entradas por %1 minutos — %2")
                    .arg(picture.minutes)
                    .arg(picture.figures.now.toString(QStringLiteral("dd-MM-yyyy"))));

    auto *past = new QBarSet(QStringLiteral("Entradas"));
    past->setColor(pastColour());
    past->setBorderColor(pastColour());
    auto *future = new QBarSet(QStringLiteral("Hora futura"));
    future->setColor(futureColour());
    future->setBorderColor(futureColour());
    auto *total = new QLineSeries;
    total->setName(QStringLiteral("Total"));
    total->setPen(QPen(QColor(40, 40, 40), 2));

    int64_t highest = 0;
    int64_t highestTotal = 0;
    const auto &buckets = picture.buckets;
    for (size_t i = 0; i < buckets.size(); ++i) {
        const auto &b = buckets[i];
        *past << double(b.future ? 0 : b.entries);
        *future << double(b.future ? b.entries : 0);
        total->append(double(i), double(b.runningTotal));
        highest = std::max(highest, b.entries);
        highestTotal = std::max(highestTotal, b.runningTotal);
    }
    m_bars = int(buckets.size());

    auto *bars = new QStackedBarSeries;
    bars->setBarWidth(0.9);
    bars->append(past);
    bars->append(future);
    c->addSeries(bars);
    c->addSeries(total);

    auto *times = new QCategoryAxis;
    times->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    times->setRange(-0.5, std::max<double>(0.5, double(buckets.size()) - 0.5));
    const size_t step = std::max<size_t>(1, (buckets.size() + 11) / 12);
    for (size_t i = 0; i < buckets.size(); i += step)
        times->append(buckets[i].start.toString(QStringLiteral("HH:mm")), double(i));
    times->setGridLineVisible(false);
    c->addAxis(times, Qt::AlignBottom);
    QValueAxis *perBucket = countAxis(highest);
    perBucket->setTitleText(QStringLiteral("Entradas"));
    c->addAxis(perBucket, Qt::AlignLeft);
    QValueAxis *running = countAxis(highestTotal);
    running->setTitleText(QStringLiteral("Total"));
    running->setGridLineVisible(false);
    c->addAxis(running, Qt::AlignRight);
    bars->attachAxis(times);
    bars->attachAxis(perBucket);
    total->attachAxis(times);
    total->attachAxis(running);
}

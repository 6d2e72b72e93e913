#include "bench/deskrace.h"

#include "bench/benchenvironment.h"

#include <QFile>

#include <algorithm>
#include <numeric>
#include <random>

std::vector<QStringList> DeskRace::schedule(const QStringList &numbers, int desks, int tries, int window,
                                            uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::vector<std::pair<double, QString>>> keyed(size_t(std::max(desks, 0)));
    std::vector<int> deskOrder(keyed.size());
    std::iota(deskOrder.begin(), deskOrder.end(), 0);
    std::uniform_real_distribution<double> jitter(0, std::max(window, 1));
    for (int i = 0; i < numbers.size(); ++i) {
        std::shuffle(deskOrder.begin(), deskOrder.end(), random);
        for (int t = 0; t < std::min(tries, desks); ++t)
            keyed[size_t(deskOrder[size_t(t)])].emplace_back(i + jitter(random), numbers.at(i));
    }
    std::vector<QStringList> lists;
    for (auto &desk : keyed) {
        std::sort(desk.begin(), desk.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        QStringList list;
        for (const auto &entry : desk)
            list << entry.second;
        lists.push_back(list);
    }
    return lists;
}

void DeskRace::write(const QString &path, const Record &record)
{
    QString text;
    for (const Try &t : record.tries)
        text += QStringLiteral("try\t%1\t%2\t%3\t%4\t%5\t%6\n")
                    .arg(t.number)
                    .arg(t.startNs)
                    .arg(t.endNs)
                    .arg(t.milliseconds, 0, 'f', 3)
                    .arg(t.painted ? 1 : 0)
                    .arg(QString(t.text).replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    text += QStringLiteral("end\t%1\t%2\t%3\n").arg(record.messageBoxes).arg(record.residentKiB).arg(record.peakResidentKiB);
    BenchEnvironment::writeText(path, text);
}

DeskRace::Record DeskRace::read(const QString &path)
{
    Record record;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return record;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.value(0) == QLatin1String("try") && f.size() == 7) {
            record.tries.push_back(Try{f[1], f[2].toLongLong(), f[3].toLongLong(), f[4].toDouble(),
                                       f[5] == QLatin1String("1"), f[6]});
        } else if (f.value(0) == QLatin1String("end") && f.size() == 4) {
            record.messageBoxes = f[1].toInt();
            record.residentKiB = f[2].toLong();
            record.peakResidentKiB = f[3].toLong();
            record.finished = true;
        }
    }
    return record;
}

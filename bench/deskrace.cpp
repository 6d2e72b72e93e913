#include "bench/deskrace.h"

#include "bench/benchenvironment.h"

#include <QFile>

#include <QDateTime>

#include <algorithm>
#include <numeric>
#include <random>

std::vector<QStringList> DeskRace::schedule(const QStringList &numbers, int desks, int tries, int window, uint32_t seed)
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
                    .arg(QString(t.text)
                             .replace(QLatin1Char('\t'), QLatin1Char(' '))
                             .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    text += QStringLiteral("end\t%1\t%2\t%3\n")
                .arg(record.messageBoxes)
                .arg(record.residentKiB)
                .arg(record.peakResidentKiB);
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
            record.tries.push_back(
                Try{f[1], f[2].toLongLong(), f[3].toLongLong(), f[4].toDouble(), f[5] == QLatin1String("1"), f[6]});
        } else if (f.value(0) == QLatin1String("end") && f.size() == 4) {
            record.messageBoxes = f[1].toInt();
            record.residentKiB = f[2].toLong();
            record.peakResidentKiB = f[3].toLong();
            record.finished = true;
        }
    }
    return record;
}

bool DeskRace::isAcceptance(const QString &text)
{
    return text.startsWith(QStringLiteral("Convite OK!"));
}

bool DeskRace::isExpiry(const QString &text)
{
    return text.startsWith(QStringLiteral("Convite expirado. Já entrou às "));
}

void DeskRace::Check::fault(const QString &what)
{
    if (++faultCount <= 20)
        faults << what;
}

DeskRace::Check DeskRace::check(const QStringList &numbers, int tries, const std::vector<QStringList> &lists,
                                const std::vector<Record> &records, const QMap<QString, Value> &stored,
                                int enteredBefore)
{
    Check c;
    QMap<QString, std::vector<std::pair<size_t, const Try *>>> byNumber;
    for (size_t d = 0; d < records.size(); ++d) {
        const Record &r = records[d];
        if (!r.finished)
            c.fault(QStringLiteral("desk %1 wrote no complete record").arg(d + 1));
        else if (d < lists.size() && r.tries.size() != size_t(lists[d].size()))
            c.fault(
                QStringLiteral("desk %1 recorded %2 tries of %3").arg(d + 1).arg(r.tries.size()).arg(lists[d].size()));
        c.messageBoxes += r.messageBoxes;
        for (const Try &t : r.tries) {
            byNumber[t.number].emplace_back(d, &t);
            c.unpainted += t.painted ? 0 : 1;
            if (!isAcceptance(t.text) && !isExpiry(t.text) && ++c.otherVerdicts <= 5)
                c.fault(QStringLiteral("desk %1, %2: \"%3\"").arg(d + 1).arg(t.number, t.text));
        }
    }
    if (c.otherVerdicts > 0)
        c.fault(QStringLiteral("%1 tries showed neither an acceptance nor an expiry").arg(c.otherVerdicts));
    if (c.messageBoxes > 0)
        c.fault(QStringLiteral("%1 message boxes").arg(c.messageBoxes));

    for (const QString &number : numbers) {
        const auto &tried = byNumber[number];
        if (int(tried.size()) != tries)
            c.fault(QStringLiteral("%1 tried %2 times, not %3").arg(number).arg(tried.size()).arg(tries));
        const Value entry = stored.value(number);
        if (!entry.isDateValue()) {
            c.fault(QStringLiteral("%1: no entry time stored").arg(number));
            continue;
        }
        const QString refusal = QStringLiteral("Convite expirado. Já entrou às ")
                                + entry.toDateTime().toString(QStringLiteral("HH:mm"));
        const Try *winner = nullptr;
        int accepts = 0;
        for (const auto &[desk, t] : tried) {
            if (isAcceptance(t->text)) {
                ++accepts;
                winner = t;
            } else if (t->text == refusal) {
                ++c.refusedWithStoredTime;
            } else if (isExpiry(t->text)) {
                c.fault(QStringLiteral("%1, desk %2: \"%3\", stored %4")
                            .arg(number)
                            .arg(desk + 1)
                            .arg(t->text, entry.toDateTime().toString(Qt::ISODateWithMs)));
            }
        }
        if (accepts == 1)
            ++c.acceptedOnce;
        else
            c.fault(QStringLiteral("%1 accepted %2 times").arg(number).arg(accepts));
        // Tries underway while the accepting one was: the desks really raced for it.
        int raced = 0;
        for (const auto &[desk, t] : tried)
            raced += winner && t != winner && t->startNs < winner->endNs && t->endNs > winner->startNs ? 1 : 0;
        c.overlapping += raced;
        c.racedInvitations += raced > 0 ? 1 : 0;
    }
    const int written = int(stored.size()) - enteredBefore;
    if (written != numbers.size())
        c.fault(QStringLiteral("%1 entry times written for %2 invitations").arg(written).arg(numbers.size()));
    return c;
}

#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The plan and the record of several desk processes checking in the same invitations:
// which desk tries which number in which order, and what each try showed, as the file a
// desk process writes and the benchmark reads back. Plain values and files; reading a
// record that is missing or cut short gives finished == false, never an exception.
namespace DeskRace {

// For each of desks desks, its numbers in the order it tries them. Every number goes to
// tries different desks chosen at random; each desk follows the numbers' order loosely
// (shuffled within a window of that many numbers), so the desks reach one invitation at
// about the same time, each in an order of its own. Needs tries <= desks.
std::vector<QStringList> schedule(const QStringList &numbers, int desks, int tries, int window, uint32_t seed);

struct Try
{
    QString number;
    int64_t startNs = 0; // steady clock (CLOCK_MONOTONIC, the same in every process)
    int64_t endNs = 0;   // around the whole try: typing, Enter and the painted verdict
    double milliseconds = 0; // Enter to the verdict painted, as DeskDriver measures it
    bool painted = false;
    QString text; // the verdict shown, empty for none
};

struct Record
{
    std::vector<Try> tries;
    int messageBoxes = 0;
    long residentKiB = 0;     // VmRSS at the end of the run
    long peakResidentKiB = 0; // VmHWM
    bool finished = false;    // the closing line was written
};

// One line per try, then a closing line with the counts; throws std::runtime_error when
// the file cannot be written.
void write(const QString &path, const Record &record);
Record read(const QString &path);

} // namespace DeskRace

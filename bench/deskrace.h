#pragma once

#include "data/value.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The plan and the record of several desk processes checking in the same invitations:
// which desk tries which number in which order, and what each try showed, as the file a
// desk process writes and the benchmark reads back, and what the records show against the
// entry times the database holds afterwards. Plain values and files; reading a record that
// is missing or cut short gives finished == false, never an exception.
namespace DeskRace {

// For each of desks desks, its numbers in the order it tries them. Every number goes to
// tries different desks chosen at random; each desk follows the numbers' order loosely
// (shuffled within a window of that many numbers), so the desks reach one invitation at
// about the same time, each in an order of its own. Needs tries <= desks.
std::vector<QStringList> schedule(const QStringList &numbers, int desks, int tries, int window, uint32_t seed);

struct Try
{
    QString number;
    int64_t startNs = 0;     // steady clock (CLOCK_MONOTONIC, the same in every process)
    int64_t endNs = 0;       // around the whole try: typing, Enter and the painted verdict
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

// The verdict texts, as the desk shows them.
bool isAcceptance(const QString &text); // "Convite OK!" with or without a call sign
bool isExpiry(const QString &text);     // "Convite expirado. Já entrou às " and a time

// What a run showed. Faults are counted; the first few are kept to be said.
struct Check
{
    int acceptedOnce = 0;          // invitations accepted by exactly one try
    int refusedWithStoredTime = 0; // tries refused with the HH:MM of the stored entry time
    int otherVerdicts = 0;         // tries that showed neither (an error, an unknown number, nothing)
    int messageBoxes = 0;
    int unpainted = 0;
    int overlapping = 0;      // tries underway while another desk's accepting try of that invitation was
    int racedInvitations = 0; // invitations with such a try
    int faultCount = 0;
    QStringList faults;

    void fault(const QString &what);
};

// Checks the records of a run in which every one of numbers was planned for tries desks
// (lists, each desk's plan): each accepted exactly once, every other try refused with the
// HH:MM of the entry time stored (by number, after the run), no other verdict, no message
// box, every desk's record complete, and exactly numbers.size() entries written beyond the
// enteredBefore the database held before.
Check check(const QStringList &numbers, int tries, const std::vector<QStringList> &lists,
            const std::vector<Record> &records, const QMap<QString, Value> &stored, int enteredBefore);

} // namespace DeskRace

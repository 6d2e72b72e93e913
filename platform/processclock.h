#pragma once

#include <cstdint>

// Clocks for measuring the program's own start-up from outside and inside. Plain functions;
// nothing throws.
namespace ProcessClock {

// The system-wide monotonic clock (CLOCK_MONOTONIC) in nanoseconds: comparable between
// processes on one machine, so a launcher can subtract its own reading taken before start.
int64_t monotonicNanoseconds();

// Milliseconds since the kernel started this process (its start time in /proc/self/stat,
// which has the resolution of the clock tick, usually 10 ms, and is rounded down, so the
// result errs on the long side); -1 where that cannot be read.
double millisecondsSinceStart();

} // namespace ProcessClock

#pragma once

#include <QtGlobal>

// Recognises a scan that began while the desk was locked, so that it can be dropped whole.
// A keyboard-wedge scanner types a number and its Enter as one burst of keys a few
// milliseconds apart; a person leaves far longer gaps. A key that arrives while the desk is
// locked starts (or continues) such a scan; every key that follows the previous one within
// the burst gap belongs to the same scan, up to and including its Enter, even after the entry
// box is back. A longer gap, or an Enter, ends it: the keys after that are handled as ever.
// Times are the keys' own timestamps in milliseconds (a clock that goes back ends the scan).
class LockedScanFilter
{
public:
    // Scanners send their keys 1 to 30 ms apart; people type keys 100 ms or more apart.
    static constexpr quint64 DefaultBurstGapMs = 80;

    explicit LockedScanFilter(quint64 burstGapMs = DefaultBurstGapMs) : m_gap(burstGapMs) {}

    // One key press at timeMs; deskLocked: the entry box was locked when it arrived. True when
    // the key belongs to a scan that began while locked and is to be dropped.
    bool drop(quint64 timeMs, bool deskLocked, bool enter);

private:
    quint64 m_gap;
    bool m_inLockedScan = false;
    quint64 m_lastKeyMs = 0;
};

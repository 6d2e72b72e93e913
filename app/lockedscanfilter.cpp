#include "app/lockedscanfilter.h"

bool LockedScanFilter::drop(quint64 timeMs, bool deskLocked, bool enter)
{
    const bool sameBurst = m_inLockedScan && timeMs >= m_lastKeyMs && timeMs - m_lastKeyMs <= m_gap;
    if (deskLocked || sameBurst) {
        // The scan's Enter is its last key.
        m_inLockedScan = !enter;
        m_lastKeyMs = timeMs;
        return true;
    }
    m_inLockedScan = false;
    return false;
}

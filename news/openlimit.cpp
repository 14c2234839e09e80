#include "openlimit.h"

bool OpenLimit::allow(qint64 nowMs) {
    if (m_count >= kPerWindow || (m_last && nowMs - *m_last < kSpacingMs))
        return false;
    m_last = nowMs;
    ++m_count;
    return true;
}

#include "clickgate.h"

void ClickGate::clicked(qint64 nowMs) {
    m_clickAt = nowMs;
    m_unused = true;
}

bool ClickGate::allowOpen(qint64 nowMs) {
    const bool allowed = m_unused && nowMs >= m_clickAt && nowMs - m_clickAt <= kWindowMs;
    m_unused = false;
    return allowed;
}

#pragma once

#include <QtGlobal>

// Lets a news page open the default browser only as the answer to a click of
// the user's: each click in the news window allows one address to go to the
// browser, if the page asks for it soon after. A page that opens windows by
// itself, from a timer or in a loop, or asks again and again after one click,
// gets nothing more.
class ClickGate {
public:
    // How long after a click the page may still ask.
    static constexpr qint64 kWindowMs = 2000;

    void clicked(qint64 nowMs);
    // True when an unused click lies at most kWindowMs back; it is used up.
    bool allowOpen(qint64 nowMs);

private:
    qint64 m_clickAt = 0;
    bool m_unused = false;
};

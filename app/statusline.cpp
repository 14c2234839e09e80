#include "statusline.h"

#include <algorithm>
#include <numeric>

namespace statusline {

namespace {

constexpr int length(std::u16string_view text) {
    return static_cast<int>(text.size());
}

static_assert(kPeriod == std::lcm(std::lcm(length(kAutoPlay), length(kTest)), length(kMixing)));
// Folding must leave the counter above every length, where the equality test
// can no longer fire, exactly as it could not for the unfolded counter.
static_assert(kFoldAt - kPeriod > std::max({length(kAutoPlay), length(kTest), length(kMixing)}));

QStringView view(std::u16string_view text) {
    return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QStringView message(bool zidongbofang, bool ceshi, bool shoudongpeise) {
    if (zidongbofang)
        return view(kAutoPlay);
    if (ceshi)
        return view(kTest);
    if (shoudongpeise)
        return view(kMixing);
    return {};
}

int nextCounter(int counter, int length) {
    ++counter;
    if (counter == length)
        counter = 0;
    if (counter >= kFoldAt)
        counter -= kPeriod;
    return counter;
}

QString rotated(QStringView message, int counter) {
    const qsizetype count = message.size();
    if (count == 0)
        return {};
    // Character number (counter mod L), counted from 1 with 0 for L, is the
    // character at (counter - 1) mod L counted from 0.
    const qsizetype start = (counter + count - 1) % count;
    QString text;
    text.reserve(count);
    text.append(message.mid(start));
    text.append(message.left(start));
    return text;
}

} // namespace statusline

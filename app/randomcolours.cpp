#include "randomcolours.h"

#include <chrono>
#include <numeric>

namespace {

std::int64_t nowNanoseconds() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

} // namespace

RandomColours::RandomColours() {
    reseed(nowNanoseconds());
}

void RandomColours::reseed() {
    reseed(nowNanoseconds());
}

void RandomColours::reseed(std::int64_t nanoseconds) {
    const auto time = static_cast<std::uint64_t>(nanoseconds);
    std::random_device entropy;
    std::seed_seq seed{static_cast<std::uint32_t>(time), static_cast<std::uint32_t>(time >> 32U),
                       ++m_seedings, entropy()};
    m_engine.seed(seed);
}

int RandomColours::below(int bound) {
    return std::uniform_int_distribution<int>(0, bound - 1)(m_engine);
}

int RandomColours::nextIndex() {
    return below(kColours);
}

std::array<int, RandomColours::kColours> RandomColours::shuffled() {
    // Fisher-Yates: button i takes one of the colours not yet placed, each
    // with the same chance. This gives the same distribution as drawing a
    // colour for each button and drawing again while it is already used, but
    // always with fifteen draws.
    std::array<int, kColours> colours{};
    std::iota(colours.begin(), colours.end(), 0);
    for (int i = 0; i < kColours - 1; ++i) {
        const int pick = i + below(kColours - i);
        std::swap(colours.at(static_cast<std::size_t>(i)),
                  colours.at(static_cast<std::size_t>(pick)));
    }
    return colours;
}

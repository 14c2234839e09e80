#pragma once

#include <array>
#include <cstdint>
#include <random>

// The random draws of the test: the target colour and the shuffle of the
// colours onto the buttons. The generator is seeded from the clock whenever
// the test starts and after every right answer. Each seeding also mixes in a
// count of seedings and a value from the system's entropy source, so two
// seedings within the same clock tick still give different sequences.
//
// The draws the drill makes are virtual, so that a test can script them.
class RandomColours {
public:
    static constexpr int kColours = 16;

    RandomColours();
    virtual ~RandomColours() = default;
    RandomColours(const RandomColours &) = delete;
    RandomColours &operator=(const RandomColours &) = delete;
    RandomColours(RandomColours &&) = delete;
    RandomColours &operator=(RandomColours &&) = delete;

    // Seeds from the present time.
    virtual void reseed();
    // Seeds from the given time in nanoseconds; reseed() passes the clock.
    void reseed(std::int64_t nanoseconds);
    // Seeds with exactly this value, for runs that must repeat.
    void seed(std::uint32_t value) { m_engine.seed(value); }

    // A colour index 0..15, each equally likely.
    virtual int nextIndex();

    // The colour index for each button 0..15: every colour on exactly one
    // button, every arrangement equally likely.
    virtual std::array<int, kColours> shuffled();

private:
    int below(int bound);

    std::mt19937 m_engine;
    std::uint32_t m_seedings = 0;
};

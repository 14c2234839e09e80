#pragma once

#include "randomcolours.h"

#include <QList>

#include <array>
#include <optional>

// RandomColours whose draws a test decides: the targets in turn, and the
// arrangement of the colours on the buttons when one is given (a real
// shuffle otherwise). Counts the reseeds.
class ScriptedColours final : public RandomColours {
public:
    QList<int> targets;
    std::optional<std::array<int, kColours>> arrangement;
    int reseeds = 0;

    void reseed() override { ++reseeds; }
    int nextIndex() override { return targets.isEmpty() ? 0 : targets.takeFirst(); }
    std::array<int, kColours> shuffled() override {
        return arrangement ? *arrangement : RandomColours::shuffled();
    }
};

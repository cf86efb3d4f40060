// How many command lines the self-test generates, and from which seed: set
// once from its arguments (--seed, --lines), read by the check that runs them.
#pragma once

#include <cstdint>

namespace tarnwick::testing {

struct GenerationSettings {
    std::uint64_t seed = 0;
    int lines = 0;
};

// Several hundred lines, thirty of each kind: about twenty seconds under Wine.
inline constexpr int kDefaultGeneratedLines = 240;

inline GenerationSettings& generation_settings() {
    static GenerationSettings settings{0, kDefaultGeneratedLines};
    return settings;
}

}  // namespace tarnwick::testing

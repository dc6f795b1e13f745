#include "engine/engine_figures.h"

#include <algorithm>

namespace kavtra {

void Durations::add(std::chrono::steady_clock::duration took) {
    const double seconds = std::chrono::duration<double>(took).count();
    const auto bucket = std::lower_bound(kBounds.begin(), kBounds.end(), seconds) - kBounds.begin();
    ++buckets_[static_cast<std::size_t>(bucket)];
    total_ += took;
}

std::array<std::uint64_t, Durations::kBounds.size() + 1> Durations::cumulative() const {
    std::array<std::uint64_t, kBounds.size() + 1> counts{};
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < buckets_.size(); ++i) counts[i] = sum += buckets_[i];
    return counts;
}

std::uint64_t Durations::count() const { return cumulative().back(); }

}  // namespace kavtra

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/output_engine.h"
#include "engine/source.h"

namespace kavtra {

// How many outputs the engine's steps switched on or off, by the kind of
// their source alone: a scene's or a token's name would make one count per
// name, without end.
class SwitchCounts {
public:
    static constexpr std::size_t kKinds = static_cast<std::size_t>(Source::Kind::RulesFile) + 1;

    explicit SwitchCounts(OutputEngine& engine);
    ~SwitchCounts();
    SwitchCounts(const SwitchCounts&) = delete;
    SwitchCounts& operator=(const SwitchCounts&) = delete;

    std::uint64_t of(Source::Kind kind) const { return counts_[static_cast<std::size_t>(kind)]; }

private:
    OutputEngine& engine_;
    std::array<std::uint64_t, kKinds> counts_{};
    OutputEngine::ListenerId listener_;
};

}  // namespace kavtra

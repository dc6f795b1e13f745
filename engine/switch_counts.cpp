#include "engine/switch_counts.h"

namespace kavtra {

SwitchCounts::SwitchCounts(OutputEngine& engine)
    : engine_(engine), listener_(engine.addListener([this](const OutputChange& change) {
          counts_[static_cast<std::size_t>(change.source.kind)] += change.switched.size();
      })) {}

SwitchCounts::~SwitchCounts() { engine_.removeListener(listener_); }

}  // namespace kavtra

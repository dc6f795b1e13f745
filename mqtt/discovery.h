#pragma once

#include <string>

#include "mqtt/topics.h"

namespace kavtra {

// Home Assistant's retained discovery config of one output: a switch whose
// unique_id comes from the output's number, never from its editable name, on
// one device per program copy.
// Its attributes (outputAttributes) tell when its limit switches it off.
std::string discoveryConfig(const Topics& topics, int output, const std::string& name);

// The sensors of an output's counters, on the output's own name, in the
// order of kCounterSensors: its switches, its time on in seconds, and the
// energy of that time in kWh (for an output with a power). All count up,
// a reset being a new start, as Home Assistant's energy dashboard takes them.
inline constexpr std::string_view kCounterSensors[] = {"switches", "seconds", "energy"};
std::string counterDiscoveryConfig(const Topics& topics, int output, const std::string& name, std::string_view what);

// An output's retained attributes: {"deadline":"2026-05-01T12:20:00.000Z"}
// while its limit runs (when it goes off, UTC), {"deadline":null} otherwise.
std::string outputAttributes(const std::string& deadline);

// The same device's switch of a group (on when all its outputs are), scene,
// and the button that undoes the last scene, group or all on/off. A group's
// or scene's unique_id comes from its slug.
std::string groupDiscoveryConfig(const Topics& topics, const std::string& slug, const std::string& name);
std::string sceneDiscoveryConfig(const Topics& topics, const std::string& slug, const std::string& name);
std::string undoDiscoveryConfig(const Topics& topics);
// A sequence's switch (on while it runs or is paused) or a rule's (on while
// enabled): `word` "sequence" or "rule", its unique_id from its slug.
std::string namedSwitchDiscoveryConfig(const Topics& topics, std::string_view word, const std::string& slug,
                                       const std::string& name);
// A named input's binary sensor, its unique_id from the input's number.
std::string inputDiscoveryConfig(const Topics& topics, int input, const std::string& name);

}  // namespace kavtra

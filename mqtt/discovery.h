#pragma once

#include <string>

#include "mqtt/topics.h"

namespace kavtra {

// Home Assistant's retained discovery config of one output: a switch whose
// unique_id comes from the output's number, never from its editable name, on
// one device per program copy.
std::string discoveryConfig(const Topics& topics, int output, const std::string& name);

}  // namespace kavtra

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "persist/profile/cls_ini.h"

namespace kavtra {

// Keys of Data.dat: one section "Devais_<n>" per output with Value and Name.
std::string deviceSection(int output);
inline constexpr std::string_view kValueKey = "Value";
inline constexpr std::string_view kNameKey = "Name";
std::string defaultOutputName(int output);  // "Вывод <n>"

// State codes, in OutState and in Value alike. Any code other than kStateOn
// means off; a switch writes kStateOff.
inline constexpr std::int16_t kStateOn = 0;
inline constexpr std::int16_t kStateOff = 1;

// The state last saved for an output: its Value by numeric reading, rounded
// half to even into 16 bits, "0" (on) when missing. Reads through `data`,
// which its owner has pointed at Data.dat.
std::int16_t rememberedValue(const clsINI& data, int output);

// The name saved for an output, defaultOutputName when missing.
std::string savedName(const clsINI& data, int output);

}  // namespace kavtra

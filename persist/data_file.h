#pragma once

#include <cstdint>
#include <string>

#include "persist/cls_ini.h"

namespace kavtra {

// Keys of Data.dat: one section "Devais_<n>" per output with Value and Name.
std::string deviceSection(int output);
std::string defaultOutputName(int output);  // "Вывод <n>"

// The state last saved for an output: its Value by numeric reading, rounded
// half to even into 16 bits, "0" (on) when missing. Reads through ini, which
// the caller has pointed at Data.dat.
std::int16_t rememberedValue(const clsINI& ini, int output);

}  // namespace kavtra

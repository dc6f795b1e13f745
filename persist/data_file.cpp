#include "persist/data_file.h"

#include "persist/numbers.h"

namespace kavtra {

std::string deviceSection(int output) { return "Devais_" + std::to_string(output); }

std::string defaultOutputName(int output) { return "Вывод " + std::to_string(output); }

std::int16_t rememberedValue(const clsINI& ini, int output) {
    return roundToInt16(numericReading(ini.GetPrivateINIString(deviceSection(output), "Value", "0")));
}

}  // namespace kavtra

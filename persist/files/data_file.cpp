#include "persist/files/data_file.h"

#include "persist/ini/numbers.h"

namespace kavtra {

std::string deviceSection(int output) { return "Devais_" + std::to_string(output); }

std::string defaultOutputName(int output) { return "Вывод " + std::to_string(output); }

std::int16_t rememberedValue(const clsINI& data, int output) {
    return roundToInt16(numericReading(data.GetPrivateINIString(deviceSection(output), kValueKey, "0")));
}

std::string savedName(const clsINI& data, int output) {
    return data.GetPrivateINIString(deviceSection(output), kNameKey, defaultOutputName(output));
}

}  // namespace kavtra

#include "persist/files/data_file.h"

#include <charconv>
#include <cstdio>

#include "persist/ini/numbers.h"
#include "persist/profile/profile.h"

namespace kavtra {

std::string deviceSection(int output) { return "Devais_" + std::to_string(output); }

std::string defaultOutputName(int output) { return "Вывод " + std::to_string(output); }

std::int16_t rememberedValue(const clsINI& data, int output) {
    return roundToInt16(numericReading(data.GetPrivateINIString(deviceSection(output), kValueKey, "0")));
}

std::string savedName(const clsINI& data, int output) {
    return data.GetPrivateINIString(deviceSection(output), kNameKey, defaultOutputName(output));
}

std::string savedTimeText(SavedTime time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> clock(time - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::optional<SavedTime> savedTime(std::string_view text) {
    using namespace std::chrono;
    constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (text.size() != kForm.size()) return std::nullopt;
    for (std::size_t i = 0; i < kForm.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        std::from_chars(text.data() + at, text.data() + at + length, value);
        return value;
    };
    const year_month_day date{year(number(0, 4)), month(static_cast<unsigned>(number(5, 2))),
                              day(static_cast<unsigned>(number(8, 2)))};
    if (!date.ok() || number(11, 2) > 23 || number(14, 2) > 59 || number(17, 2) > 59) return std::nullopt;
    return sys_days(date) + hours(number(11, 2)) + minutes(number(14, 2)) + seconds(number(17, 2)) +
           milliseconds(number(20, 3));
}

std::map<int, std::string> savedEntries(const clsINI& data, std::string_view section) {
    std::map<int, std::string> entries;
    for (const std::string& key : profileKeyNames(section, data.FileName())) {
        int output = 0;
        const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), output);
        if (error != std::errc() || end != key.data() + key.size() || output < 1 || output > 300) continue;
        entries[output] = data.GetPrivateINIString(section, key, "");
    }
    return entries;
}

void writeSavedEntries(const clsINI& data, std::string_view section, const std::map<int, std::string>& entries) {
    removeProfileSection(section, data.FileName());
    for (const auto& [output, text] : entries) data.WritePrivateINIString(section, std::to_string(output), text);
}

}  // namespace kavtra

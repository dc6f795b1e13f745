#include "persist/files/settings.h"

#include <algorithm>
#include <limits>

#include "persist/ini/ini_lines.h"
#include "persist/ini/numbers.h"
#include "persist/profile/profile_cache.h"
#include "persist/profile/stored_value.h"

namespace kavtra {
namespace {

constexpr std::string_view kFormPosition = "FormPosition";
constexpr std::string_view kListPosition = "ListPosition";
constexpr std::string_view kConfigs = "Configs";

// A float cannot hold every double; a reading beyond its range (a hand-edited
// "1e300") becomes the largest float rather than an undefined conversion.
float toFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -largest, largest));
}

}  // namespace

std::string configPath(const std::string& filesDir) { return filesDir + "/config.ini"; }
std::string dataPath(const std::string& filesDir) { return filesDir + "/Data.dat"; }
std::string rulesPath(const std::string& filesDir) { return filesDir + "/Rules.ini"; }

Settings::Settings(const clsINI& config) : config_(config) {}

std::string Settings::read(std::string_view section, std::string_view key, std::string_view def) {
    return config_.GetPrivateINIString(section, key, def);
}

void Settings::write(std::string_view section, std::string_view key, std::string_view value) {
    config_.WritePrivateINIString(section, key, value);
}

float Settings::geometry(std::string_view section, std::string_view key, std::string_view def) {
    return toFloat(numericReading(read(section, key, def)));
}

std::int16_t Settings::policy(std::string_view key) {
    return wholeNumber16(read(kConfigs, key, "3")).value_or(kPolicyRemembered);
}

float Settings::x() { return geometry(kFormPosition, "x", "1000"); }
float Settings::y() { return geometry(kFormPosition, "y", "1000"); }
float Settings::height() { return geometry(kFormPosition, "Height", "6200"); }
float Settings::width() { return geometry(kFormPosition, "Width", "9300"); }
float Settings::listWidth1() { return geometry(kListPosition, "list_Width1", "3000"); }
float Settings::listWidth2() { return geometry(kListPosition, "list_Width2", "1500"); }

std::int32_t Settings::timeUpdate() {
    return std::max(roundToInt32(numericReading(timeUpdateText())), std::int32_t{0});
}

std::string Settings::timeUpdateText() { return std::string(ini::trimBlanks(read(kConfigs, "TimeUpdate", "100"))); }

std::int16_t Settings::valLoad() { return policy("ValLoad"); }
std::int16_t Settings::valUnload() { return policy("ValUnload"); }
std::string Settings::sceneLoad() { return read(kConfigs, "SceneLoad", ""); }
std::string Settings::sceneUnload() { return read(kConfigs, "SceneUnload", ""); }

std::string Settings::sceneNameAsStored(const std::string& name) {
    return valueAsStored(kConfigs, "SceneLoad", name, config_.FileName());
}

std::optional<std::string> Settings::invertedOutputs() {
    const CurrentProfile file = currentProfile(config_.FileName());
    if (!file.error.empty() || file.reader->unreadable()) return std::nullopt;
    return std::string(ini::trimBlanks(file.reader->value("Outputs", "Inverted").value_or("")));
}

std::string Settings::webListen() { return std::string(ini::trimBlanks(read("Web", "Listen", ""))); }

void Settings::writeX(float v) { write(kFormPosition, "x", writtenForm(v)); }
void Settings::writeY(float v) { write(kFormPosition, "y", writtenForm(v)); }
void Settings::writeHeight(float v) { write(kFormPosition, "Height", writtenForm(v)); }
void Settings::writeWidth(float v) { write(kFormPosition, "Width", writtenForm(v)); }
void Settings::writeListWidth1(float v) { write(kListPosition, "list_Width1", writtenForm(v)); }
void Settings::writeListWidth2(float v) { write(kListPosition, "list_Width2", writtenForm(v)); }
void Settings::writeValLoad(std::int16_t code) { write(kConfigs, "ValLoad", std::to_string(code)); }
void Settings::writeValUnload(std::int16_t code) { write(kConfigs, "ValUnload", std::to_string(code)); }
void Settings::writeTimeUpdate(const std::string& text) { write(kConfigs, "TimeUpdate", ini::trimBlanks(text)); }
void Settings::writeSceneLoad(const std::string& name) { write(kConfigs, "SceneLoad", name); }
void Settings::writeSceneUnload(const std::string& name) { write(kConfigs, "SceneUnload", name); }
void Settings::writeWebListen(const std::string& address) { write("Web", "Listen", address); }

}  // namespace kavtra

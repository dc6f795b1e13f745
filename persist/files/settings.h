#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "persist/profile/cls_ini.h"

namespace kavtra {

// Paths of the two files: the program's directory followed directly by the
// literal, as every user of the files builds them.
std::string configPath(const std::string& filesDir);
std::string dataPath(const std::string& filesDir);
std::string rulesPath(const std::string& filesDir);  // Rules.ini: groups, scenes, interlocks

// Policy codes of ValLoad and ValUnload.
inline constexpr std::int16_t kPolicyAllOn = 1;
inline constexpr std::int16_t kPolicyAllOff = 2;
inline constexpr std::int16_t kPolicyRemembered = 3;

// The longest transfer period a timer accepts, in milliseconds.
inline constexpr std::int32_t kLargestPeriod = std::numeric_limits<std::int32_t>::max();

// Typed access to config.ini. `config` is pointed at config.ini once, by its
// owner; every accessor reads or writes the file anew.
class Settings {
public:
    explicit Settings(const clsINI& config);

    // Geometry in twips, by numeric reading, with their defaults.
    float x();           // FormPosition/x, "1000"
    float y();           // FormPosition/y, "1000"
    float height();      // FormPosition/Height, "6200"
    float width();       // FormPosition/Width, "9300"
    float listWidth1();  // ListPosition/list_Width1, "3000"
    float listWidth2();  // ListPosition/list_Width2, "1500"

    // Configs/TimeUpdate, "100": trimmed, numeric reading, rounded half to
    // even; negative gives 0, beyond what a timer accepts gives kLargestPeriod.
    std::int32_t timeUpdate();
    // The same key's text, trimmed, as the options dialog shows it.
    std::string timeUpdateText();
    // Configs/ValLoad and ValUnload, "3": whole-number conversion; a text that
    // is not a whole number in the 16-bit range gives 3.
    std::int16_t valLoad();
    std::int16_t valUnload();
    // Configs/SceneLoad and SceneUnload, "": the scene of Rules.ini recalled
    // after the start-up policy and after the exit policy; empty for none.
    std::string sceneLoad();
    std::string sceneUnload();
    // The name a scene key would give back once `name` had been written to it:
    // a Windows-1251 config.ini turns characters it lacks into '?'.
    std::string sceneNameAsStored(const std::string& name);
    // Outputs/Inverted, "": the outputs whose register bit is the opposite
    // of their state, trimmed; commands/output_choice.h reads the list.
    // Nothing when config.ini cannot be read: read as empty, it would take
    // every inversion back and switch such loads on.
    std::optional<std::string> invertedOutputs();
    // Web/Listen, "": where the web access listens, trimmed; empty for off.
    std::string webListen();

    // Writers, each producing the key's written form.
    void writeX(float v);
    void writeY(float v);
    void writeHeight(float v);
    void writeWidth(float v);
    void writeListWidth1(float v);
    void writeListWidth2(float v);
    void writeValLoad(std::int16_t code);
    void writeValUnload(std::int16_t code);
    void writeTimeUpdate(const std::string& text);  // trimmed, otherwise as given
    void writeSceneLoad(const std::string& name);
    void writeSceneUnload(const std::string& name);
    void writeWebListen(const std::string& address);

private:
    std::string read(std::string_view section, std::string_view key, std::string_view def);
    void write(std::string_view section, std::string_view key, std::string_view value);
    float geometry(std::string_view section, std::string_view key, std::string_view def);
    std::int16_t policy(std::string_view key);

    const clsINI& config_;
};

}  // namespace kavtra

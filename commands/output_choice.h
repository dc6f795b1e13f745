#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/parse.h"
#include "outputs/transfer.h"
#include "persist/profile/cls_ini.h"

namespace kavtra {

// Which outputs are offered outside the window: the switches Home Assistant
// is told of and the page's tiles. A board usually has a few dozen of its 300
// outputs wired, and a dashboard of 300 switches buries them.
struct OutputChoice {
    enum class Kind { All, Named, Listed };
    Kind kind = Kind::All;
    std::vector<int> outputs;  // Listed: ascending, each once

    // `name` is the output's name now: a rename takes an output into
    // `named` or out of it.
    bool includes(int output, std::string_view name) const;
    // As config.ini spells it: "all", "named", "1-40,45".
    std::string text() const;
    bool operator==(const OutputChoice&) const = default;
};

// Named: a name that is neither blank nor the one an output never renamed
// has ("Вывод 7").
bool isNamedOutput(int output, std::string_view name);

// "all" (also empty), "named", in any letter case, or outputs as Rules.ini
// lists them, "1-40,45"; groups are not taken, since they live in Rules.ini
// and this is read from config.ini.
Parsed<OutputChoice> parseOutputChoice(std::string_view text);

// Outputs as Rules.ini lists them, "1-40,45", ascending, each once; groups
// are refused, since they live in Rules.ini and these lists in config.ini.
Parsed<std::vector<int>> parseOutputNumbers(std::string_view text);

// [Outputs] Inverted= of config.ini: empty for none, "all" in any letter
// case, or outputs as parseOutputNumbers reads them.
Parsed<InvertedOutputs> parseInvertedOutputs(std::string_view text);

// config.ini keeps the choice with Home Assistant's settings, [MQTT]
// Outputs=, and the page follows the same choice, with MQTT on or not.
inline constexpr std::string_view kOutputChoiceSection = "MQTT";
inline constexpr std::string_view kOutputChoiceKey = "Outputs";
// A value that cannot serve reads as all here; MQTT's reading names it.
OutputChoice readOutputChoice(const clsINI& config);

}  // namespace kavtra

#include <optional>

#include "commands/parse.h"
#include "rules/rule_reader.h"

namespace kavtra {
namespace {

constexpr long long kLongestDeadTimeMs = 600000;

}  // namespace

void readScenes(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& scene : sections)
        if (auto onOff = reader.onAndOff(scene.section))
            reader.rules().scenes.push_back({scene.name, std::move(onOff->first), std::move(onOff->second)});
}

void readInterlocks(RuleReader& reader, const std::vector<RuleSection>& sections) {
    for (const RuleSection& interlock : sections) {
        const auto outputs = reader.outputsOf(interlock.section, "Outputs");
        if (!outputs) continue;
        if (outputs->size() < 2) {
            reader.problem(interlock.section, "Outputs", "в блокировке должно быть не меньше двух выводов");
            continue;
        }
        const std::string deadTime = reader.value(interlock.section, "DeadTime");
        const std::optional<long long> ms = deadTime.empty() ? 0LL : digitsValue(deadTime);
        if (!ms || *ms > kLongestDeadTimeMs) {
            reader.problem(interlock.section, "DeadTime", "нужно число миллисекунд от 0 до 600000");
            continue;
        }
        reader.rules().interlocks.push_back({interlock.name, *outputs, std::chrono::milliseconds(*ms)});
    }
}

// N=DURATION per output.
void readLimits(RuleReader& reader, const std::vector<RuleSection>& sections) {
    if (!reader.keys) return;
    for (const RuleSection& limits : sections) {
        for (const std::string& key : reader.keys(limits.section)) {
            const Parsed<int> output = parseOutput(key);
            if (!output) {
                reader.problem(limits.section, key, "нет такого вывода: номер должен быть числом от 1 до 300");
                continue;
            }
            const std::string text = reader.value(limits.section, key);
            const std::optional<long long> ms = durationValue(text);
            if (!ms || *ms <= 0 || *ms > kLongestLimit.count()) {
                reader.problem(limits.section, key,
                               quote(text) +
                                   ": нужно время больше нуля и не больше суток, "
                                   "например 90s, 20m, 1h30m");
                continue;
            }
            reader.rules().limits[*output.value] = std::chrono::milliseconds(*ms);
        }
    }
}

}  // namespace kavtra

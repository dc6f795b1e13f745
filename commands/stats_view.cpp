#include "commands/stats_view.h"

#include <charconv>
#include <cmath>

namespace kavtra {

std::string decimalText(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, std::round(value * 1000) / 1000).ptr;
    return {text, end};
}

namespace {

// "12 ч 05 мин", "2 ч", "7 мин": whole minutes, the started one not counted.
std::string hoursAndMinutes(std::chrono::milliseconds time) {
    const auto minutes = std::chrono::floor<std::chrono::minutes>(time).count();
    const auto hours = minutes / 60;
    const auto rest = minutes % 60;
    if (hours == 0) return std::to_string(rest) + " мин";
    if (rest == 0) return std::to_string(hours) + " ч";
    return std::to_string(hours) + " ч " + (rest < 10 ? "0" : "") + std::to_string(rest) + " мин";
}

}  // namespace

std::string statsTip(const StatsView& view) {
    const OutputTally& tally = view.tally;
    std::string tip = "Включён всего " + hoursAndMinutes(tally.total) + ", сегодня " + hoursAndMinutes(tally.today) +
                      ", вчера " + hoursAndMinutes(tally.yesterday) +
                      "; переключений: " + std::to_string(tally.switches);
    if (const auto kwh = view.kilowattHours()) tip += "; энергия: " + decimalText(*kwh) + " кВт·ч";
    return tip;
}

std::string statsLine(const StatsView& view) {
    const OutputTally& tally = view.tally;
    return std::to_string(view.output) + '\t' + std::to_string(tally.switches) + '\t' +
           std::to_string(StatsView::seconds(tally.total)) + '\t' + std::to_string(StatsView::seconds(tally.today)) +
           '\t' + std::to_string(StatsView::seconds(tally.yesterday));
}

}  // namespace kavtra

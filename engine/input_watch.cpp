#include "engine/input_watch.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace kavtra {
namespace {

constexpr int kPollTimer = 1;

}  // namespace

InputWatch::InputWatch(OutputEngine& engine, Timers& timers) : engine_(engine), timers_(timers, 1) {}

InputWatch::~InputWatch() { timers_.stop(kPollTimer); }

void InputWatch::configure(const std::array<InputTuning, kInputs>& tuning, std::chrono::milliseconds period) {
    std::vector<InputEdge> edges;
    for (std::size_t i = 0; i < kInputs; ++i) {
        const bool was = on(i);
        tuning_[i] = tuning[i];
        if (lines_[i].watched && on(i) != was) edges.push_back({static_cast<int>(i) + 1, on(i)});
    }
    const bool newPeriod = period != period_;
    period_ = period;
    // A running poll takes the new period now, not after a long old one.
    if (newPeriod && polling_) timers_.start(kPollTimer, period_, [this] { poll(); });
    for (const InputEdge& edge : edges) listeners_.call(edge);
}

void InputWatch::want(const std::string& who, const std::array<bool, kInputs>& inputs) {
    if (std::none_of(inputs.begin(), inputs.end(), [](bool wanted) { return wanted; }))
        wanted_.erase(who);
    else
        wanted_[who] = inputs;
    std::array<bool, kInputs> watched{};
    for (const auto& [whose, wanted] : wanted_)
        for (std::size_t i = 0; i < kInputs; ++i) watched[i] = watched[i] || wanted[i];
    bool anyNew = false;
    bool changed = false;
    for (std::size_t i = 0; i < kInputs; ++i) {
        changed = changed || watched[i] != lines_[i].watched;
        anyNew = anyNew || (watched[i] && !lines_[i].watched);
        if (!watched[i]) lines_[i] = {};
    }
    InputLevels levels{};
    const bool readable = anyNew && fault_.empty() && read(levels);
    for (std::size_t i = 0; i < kInputs; ++i) {
        if (!watched[i] || lines_[i].watched) continue;
        // Taken as it is, with no debounce: there is no earlier state to bounce from.
        lines_[i] = {readable, levels[i], levels[i], timers_.now()};
    }
    startOrStop();
    if (changed) watchListeners_.call();
}

std::optional<bool> InputWatch::isOn(int input) const {
    if (input < 1 || input > static_cast<int>(kInputs)) throw std::out_of_range("input " + std::to_string(input));
    const auto index = static_cast<std::size_t>(input - 1);
    if (!lines_[index].watched) return std::nullopt;
    return on(index);
}

void InputWatch::poll() {
    InputLevels levels{};
    if (!read(levels)) return;
    const std::chrono::milliseconds now = timers_.now();
    std::vector<InputEdge> edges;
    for (std::size_t i = 0; i < kInputs; ++i) {
        Line& line = lines_[i];
        if (!line.watched) continue;
        if (levels[i] != line.seen) line = {true, line.level, levels[i], now};
        if (line.seen == line.level || now - line.seenSince < tuning_[i].debounce) continue;
        line.level = line.seen;
        edges.push_back({static_cast<int>(i) + 1, on(i)});
    }
    // The next poll is due before anyone hears of this one: a listener may
    // stop the watch, and its stop must hold.
    timers_.start(kPollTimer, period_, [this] { poll(); });
    for (const InputEdge& edge : edges) listeners_.call(edge);
}

bool InputWatch::read(InputLevels& levels) {
    levels = engine_.readInputs();
    std::string fault = engine_.inputsFault();
    if (fault.empty()) return true;
    fault_ = std::move(fault);
    std::fprintf(stderr, "kavtra: входы не читаются (%s); выводы работают как прежде\n", fault_.c_str());
    std::fflush(stderr);
    for (Line& line : lines_) line.watched = false;
    startOrStop();
    watchListeners_.call();
    return false;
}

void InputWatch::startOrStop() {
    const bool wanted = fault_.empty() &&
                        std::any_of(lines_.begin(), lines_.end(), [](const Line& l) { return l.watched; });
    if (wanted == polling_) return;
    polling_ = wanted;
    if (polling_)
        timers_.start(kPollTimer, period_, [this] { poll(); });
    else
        timers_.stop(kPollTimer);
}

}  // namespace kavtra

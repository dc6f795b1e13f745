#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/engine_figures.h"
#include "engine/switch_counts.h"
#include "rules/rule_book.h"

namespace kavtra::web {

inline constexpr const char* kMetricsType = "application/openmetrics-text; version=1.0.0; charset=utf-8";

// The program's figures at one moment, every one an aggregate: no output's
// number or name, no token's, so whoever may read may scrape them all.
struct MetricsSnapshot {
    int outputsOn = 0;
    std::array<std::uint64_t, SwitchCounts::kKinds> switches{};  // by Source::Kind
    EngineFigures engine;
    std::size_t ruleProblems = 0;       // entries of Rules.ini left out now, or the file unread
    std::optional<bool> mqttConnected;  // none when MQTT is not configured
    int webConnections = 0;             // that serve requests
    int eventStreams = 0;
};

// The core's share of a snapshot; the transports add theirs.
MetricsSnapshot coreMetrics(const OutputEngine& engine, const SwitchCounts& switches, const RuleBook& rules);

// The snapshot in the OpenMetrics text format, "# EOF" last.
std::string metricsText(const MetricsSnapshot& snapshot);

}  // namespace kavtra::web

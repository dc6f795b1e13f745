#include "web/metrics_text.h"

#include <charconv>
#include <string_view>

namespace kavtra::web {
namespace {

// Plain decimals ("0.0001"), as people write bounds; a float, as a bound or a
// sum is, whatever its value.
std::string number(double value) {
    char text[64];
    auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (written.ec != std::errc{}) written = std::to_chars(text, text + sizeof text, value);
    std::string number(text, written.ptr);
    if (number.find_first_of(".e") == std::string::npos) number += ".0";
    return number;
}

// One family's lines, each sample named after it.
class Family {
public:
    Family(std::string& text, std::string_view name, std::string_view type, std::string_view help,
           std::string_view unit = {})
        : text_(text), name_(name) {
        line("# TYPE ", type);
        if (!unit.empty()) line("# UNIT ", unit);
        line("# HELP ", help);
    }
    void sample(std::string_view suffix, std::string_view labels, std::string_view value) {
        text_.append(name_).append(suffix);
        if (!labels.empty()) text_.append("{").append(labels).append("}");
        text_.append(" ").append(value).append("\n");
    }
    void sample(std::string_view suffix, std::uint64_t value) { sample(suffix, {}, std::to_string(value)); }

private:
    void line(std::string_view what, std::string_view rest) {
        text_.append(what).append(name_).append(" ").append(rest).append("\n");
    }

    std::string& text_;
    std::string_view name_;
};

void counter(std::string& text, std::string_view name, std::string_view help, std::uint64_t value) {
    Family(text, name, "counter", help).sample("_total", value);
}

void gauge(std::string& text, std::string_view name, std::string_view help, std::uint64_t value) {
    Family(text, name, "gauge", help).sample({}, value);
}

void histogram(std::string& text, std::string_view name, std::string_view help, const Durations& durations) {
    Family family(text, name, "histogram", help, "seconds");
    const auto counts = durations.cumulative();
    for (std::size_t i = 0; i < Durations::kBounds.size(); ++i)
        family.sample("_bucket", "le=\"" + number(Durations::kBounds[i]) + "\"", std::to_string(counts[i]));
    family.sample("_bucket", "le=\"+Inf\"", std::to_string(counts.back()));
    family.sample("_count", counts.back());
    family.sample("_sum", {}, number(durations.seconds()));
}

}  // namespace

MetricsSnapshot coreMetrics(const OutputEngine& engine, const SwitchCounts& switches, const RuleBook& rules) {
    MetricsSnapshot snapshot;
    for (int output = 1; output <= OutState::kOutputs; ++output) snapshot.outputsOn += engine.isOn(output) ? 1 : 0;
    for (std::size_t kind = 0; kind < SwitchCounts::kKinds; ++kind)
        snapshot.switches[kind] = switches.of(static_cast<Source::Kind>(kind));
    snapshot.engine = engine.figures();
    snapshot.ruleProblems = rules.problems().size();
    return snapshot;
}

std::string metricsText(const MetricsSnapshot& snapshot) {
    std::string text;
    text.reserve(4096);
    gauge(text, "kavtra_outputs_on", "Outputs on now, of 300.", static_cast<std::uint64_t>(snapshot.outputsOn));
    Family switches(text, "kavtra_switches", "counter",
                    "Outputs switched on or off, by the kind of source of their step.");
    // Every kind that can make a step, so that a rate is there from the first scrape.
    for (std::size_t kind = 0; kind < SwitchCounts::kKinds; ++kind) {
        const Source source{static_cast<Source::Kind>(kind), {}};
        if (source.kind == Source::Kind::RulesFile) continue;
        switches.sample("_total", "source=\"" + sourceText(source) + "\"", std::to_string(snapshot.switches[kind]));
    }
    counter(text, "kavtra_steps", "Steps of the engine: changes of states or names told to its listeners.",
            snapshot.engine.steps);
    histogram(text, "kavtra_step_save_seconds", "How long a step's save of Data.dat took.", snapshot.engine.saves);
    histogram(text, "kavtra_step_transfer_seconds", "How long a step's transfer to the port took.",
              snapshot.engine.transfers);
    counter(text, "kavtra_save_failures", "Saves of Data.dat that failed.", snapshot.engine.saveFailures);
    counter(text, "kavtra_port_errors", "Transfers in which the port's driver refused an access.",
            snapshot.engine.portErrors);
    gauge(text, "kavtra_rule_problems", "Problems found reading Rules.ini now: entries left out, or the file unread.",
          snapshot.ruleProblems);
    if (snapshot.mqttConnected)
        gauge(text, "kavtra_mqtt_connected", "1 while the link to the MQTT broker is up, else 0.",
              *snapshot.mqttConnected ? 1 : 0);
    gauge(text, "kavtra_web_connections", "Open web connections that serve requests.",
          static_cast<std::uint64_t>(snapshot.webConnections));
    gauge(text, "kavtra_web_event_streams", "Open event streams.", static_cast<std::uint64_t>(snapshot.eventStreams));
    return text + "# EOF\n";
}

}  // namespace kavtra::web

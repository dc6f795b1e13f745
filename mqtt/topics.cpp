#include "mqtt/topics.h"

#include "commands/parse.h"

namespace kavtra {

Topics::Topics(std::string baseTopic, std::string node, std::string discoveryPrefix)
    : own_(std::move(baseTopic) + "/" + node + "/"), node_(std::move(node)), prefix_(std::move(discoveryPrefix)) {}

std::string Topics::status() const { return own_ + "status"; }
std::string Topics::state(int output) const { return own_ + "out/" + std::to_string(output) + "/state"; }
std::string Topics::name(int output) const { return own_ + "out/" + std::to_string(output) + "/name"; }
std::string Topics::command(int output) const { return own_ + "out/" + std::to_string(output) + "/set"; }
std::string Topics::commandFilter() const { return own_ + "out/+/set"; }
std::string Topics::batch() const { return own_ + "set"; }
std::string Topics::discovery(int output) const {
    return prefix_ + "/switch/" + node_ + "/out" + std::to_string(output) + "/config";
}
std::string Topics::homeAssistantStatus() const { return prefix_ + "/status"; }
std::string Topics::uniqueId(int output) const { return deviceId() + "_out" + std::to_string(output); }
std::string Topics::deviceId() const { return "kavtra_" + node_; }

Topics::Incoming Topics::classify(std::string_view topic) const {
    if (topic == homeAssistantStatus()) return {Kind::HomeAssistant, 0, {}};
    if (!topic.starts_with(own_)) return {};
    topic.remove_prefix(own_.size());
    if (topic == "set") return {Kind::Batch, 0, {}};
    constexpr std::string_view out = "out/";
    constexpr std::string_view set = "/set";
    if (!topic.starts_with(out) || !topic.ends_with(set) || topic.size() < out.size() + set.size()) return {};
    const std::string_view number = topic.substr(out.size(), topic.size() - out.size() - set.size());
    if (number.find('/') != std::string_view::npos) return {};
    const Parsed<int> output = parseOutput(number);
    if (output) return {Kind::Output, *output.value, {}};
    return {Kind::BadOutput, 0, output.error};
}

}  // namespace kavtra

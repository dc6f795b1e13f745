#include "mqtt/topics.h"

#include <utility>

#include "commands/parse.h"

namespace kavtra {

Topics::Topics(std::string baseTopic, std::string node, std::string discoveryPrefix)
    : own_(std::move(baseTopic) + "/" + node + "/"), node_(std::move(node)), prefix_(std::move(discoveryPrefix)) {}

std::string Topics::status() const { return own_ + "status"; }
std::string Topics::state(int output) const { return own_ + "out/" + std::to_string(output) + "/state"; }
std::string Topics::attributes(int output) const { return own_ + "out/" + std::to_string(output) + "/attributes"; }
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
std::string Topics::counter(int output, std::string_view what) const {
    return own_ + "out/" + std::to_string(output) + "/" + std::string(what);
}
std::string Topics::counterDiscovery(int output, std::string_view what) const {
    return prefix_ + "/sensor/" + node_ + "/out" + std::to_string(output) + "_" + std::string(what) + "/config";
}
std::string Topics::counterUniqueId(int output, std::string_view what) const {
    return uniqueId(output) + "_" + std::string(what);
}

std::string Topics::groupState(const std::string& slug) const { return own_ + "group/" + slug + "/state"; }
std::string Topics::groupCommand(const std::string& slug) const { return own_ + "group/" + slug + "/set"; }
std::string Topics::groupDiscovery(const std::string& slug) const {
    return prefix_ + "/switch/" + node_ + "/group_" + slug + "/config";
}
std::string Topics::groupUniqueId(const std::string& slug) const { return deviceId() + "_group_" + slug; }
std::string Topics::sceneCommand(const std::string& slug) const { return own_ + "scene/" + slug + "/set"; }
std::string Topics::sceneDiscovery(const std::string& slug) const {
    return prefix_ + "/scene/" + node_ + "/scene_" + slug + "/config";
}
std::string Topics::sceneUniqueId(const std::string& slug) const { return deviceId() + "_scene_" + slug; }
std::string Topics::undoCommand() const { return own_ + "undo/set"; }
std::string Topics::undoDiscovery() const { return prefix_ + "/button/" + node_ + "/undo/config"; }
std::string Topics::undoUniqueId() const { return deviceId() + "_undo"; }
std::string Topics::groupCommandFilter() const { return own_ + "group/+/set"; }
std::string Topics::sceneCommandFilter() const { return own_ + "scene/+/set"; }
std::string Topics::switchState(std::string_view word, const std::string& slug) const {
    return own_ + std::string(word) + "/" + slug + "/state";
}
std::string Topics::switchCommand(std::string_view word, const std::string& slug) const {
    return own_ + std::string(word) + "/" + slug + "/set";
}
std::string Topics::switchDiscovery(std::string_view word, const std::string& slug) const {
    return prefix_ + "/switch/" + node_ + "/" + std::string(word) + "_" + slug + "/config";
}
std::string Topics::switchUniqueId(std::string_view word, const std::string& slug) const {
    return deviceId() + "_" + std::string(word) + "_" + slug;
}
std::string Topics::switchCommandFilter(std::string_view word) const { return own_ + std::string(word) + "/+/set"; }

std::string Topics::inputState(int input) const { return own_ + "in/" + std::to_string(input) + "/state"; }
std::string Topics::inputDiscovery(int input) const {
    return prefix_ + "/binary_sensor/" + node_ + "/in" + std::to_string(input) + "/config";
}
std::string Topics::inputUniqueId(int input) const { return deviceId() + "_in" + std::to_string(input); }

Topics::Incoming Topics::classify(std::string_view topic) const {
    if (topic == homeAssistantStatus()) return {Kind::HomeAssistant, 0, {}};
    if (!topic.starts_with(own_)) return {};
    topic.remove_prefix(own_.size());
    if (topic == "set") return {Kind::Batch, 0, {}};
    if (topic == "undo/set") return {Kind::Undo, 0, {}};
    constexpr std::string_view set = "/set";
    // group/<slug>/set, scene/<slug>/set and the like: the slug is looked up later.
    for (const auto& [level, kind] :
         {std::pair{std::string_view("group/"), Kind::Group}, std::pair{std::string_view("scene/"), Kind::Scene},
          std::pair{std::string_view("sequence/"), Kind::Sequence}, std::pair{std::string_view("rule/"), Kind::Rule}}) {
        if (!topic.starts_with(level) || !topic.ends_with(set) || topic.size() <= level.size() + set.size()) continue;
        const std::string_view slug = topic.substr(level.size(), topic.size() - level.size() - set.size());
        if (slug.find('/') != std::string_view::npos) return {};
        return {kind, 0, {}, std::string(slug)};
    }
    constexpr std::string_view out = "out/";
    if (!topic.starts_with(out) || !topic.ends_with(set) || topic.size() < out.size() + set.size()) return {};
    const std::string_view number = topic.substr(out.size(), topic.size() - out.size() - set.size());
    if (number.find('/') != std::string_view::npos) return {};
    const Parsed<int> output = parseOutput(number);
    if (output) return {Kind::Output, *output.value, {}};
    return {Kind::BadOutput, 0, output.error};
}

}  // namespace kavtra

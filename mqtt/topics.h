#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavtra {

// Every topic one program copy uses, from BaseTopic, Node and DiscoveryPrefix.
class Topics {
public:
    Topics(std::string baseTopic, std::string node, std::string discoveryPrefix);

    const std::string& node() const { return node_; }
    std::string status() const;                // <base>/<node>/status
    std::string state(int output) const;       // <base>/<node>/out/<n>/state
    std::string name(int output) const;        // <base>/<node>/out/<n>/name
    std::string attributes(int output) const;  // <base>/<node>/out/<n>/attributes
    std::string command(int output) const;     // <base>/<node>/out/<n>/set
    std::string commandFilter() const;         // <base>/<node>/out/+/set
    std::string batch() const;                 // <base>/<node>/set
    std::string discovery(int output) const;   // <prefix>/switch/<node>/out<n>/config
    std::string homeAssistantStatus() const;   // <prefix>/status
    std::string uniqueId(int output) const;    // kavtra_<node>_out<n>
    std::string deviceId() const;              // kavtra_<node>
    // An output's counters, each a sensor: `what` is "switches", "seconds"
    // or "energy".
    std::string counter(int output, std::string_view what) const;  // <base>/<node>/out/<n>/<what>
    // <prefix>/sensor/<node>/out<n>_<what>/config
    std::string counterDiscovery(int output, std::string_view what) const;
    std::string counterUniqueId(int output, std::string_view what) const;  // kavtra_<node>_out<n>_<what>

    // Groups, scenes and undo, a group or scene by its slug.
    std::string groupState(const std::string& slug) const;      // <base>/<node>/group/<slug>/state
    std::string groupCommand(const std::string& slug) const;    // <base>/<node>/group/<slug>/set
    std::string groupDiscovery(const std::string& slug) const;  // <prefix>/switch/<node>/group_<slug>/config
    std::string groupUniqueId(const std::string& slug) const;   // kavtra_<node>_group_<slug>
    std::string sceneCommand(const std::string& slug) const;    // <base>/<node>/scene/<slug>/set
    std::string sceneDiscovery(const std::string& slug) const;  // <prefix>/scene/<node>/scene_<slug>/config
    std::string sceneUniqueId(const std::string& slug) const;   // kavtra_<node>_scene_<slug>
    std::string undoCommand() const;                            // <base>/<node>/undo/set
    std::string undoDiscovery() const;                          // <prefix>/button/<node>/undo/config
    std::string undoUniqueId() const;                           // kavtra_<node>_undo
    std::string groupCommandFilter() const;                     // <base>/<node>/group/+/set
    std::string sceneCommandFilter() const;                     // <base>/<node>/scene/+/set

    // The switches of sequences and rules, `word` "sequence" or "rule".
    std::string switchState(std::string_view word, const std::string& slug) const;  // <base>/<node>/<word>/<slug>/state
    std::string switchCommand(std::string_view word, const std::string& slug) const;  // <base>/<node>/<word>/<slug>/set
    // <prefix>/switch/<node>/<word>_<slug>/config
    std::string switchDiscovery(std::string_view word, const std::string& slug) const;
    std::string switchUniqueId(std::string_view word, const std::string& slug) const;  // kavtra_<node>_<word>_<slug>
    std::string switchCommandFilter(std::string_view word) const;                      // <base>/<node>/<word>/+/set
    // The inputs, each a binary sensor.
    std::string inputState(int input) const;      // <base>/<node>/in/<n>/state
    std::string inputDiscovery(int input) const;  // <prefix>/binary_sensor/<node>/in<n>/config
    std::string inputUniqueId(int input) const;   // kavtra_<node>_in<n>

    // What a received topic asks for. BadOutput: an out/<x>/set whose <x> is
    // no output number (`problem` says why, as the command line would).
    // Group, Scene, Sequence and Rule: `slug` says which.
    enum class Kind { Output, Batch, Group, Scene, Sequence, Rule, Undo, HomeAssistant, BadOutput, Other };
    struct Incoming {
        Kind kind = Kind::Other;
        int output = 0;
        std::string problem;
        std::string slug{};
    };
    Incoming classify(std::string_view topic) const;

private:
    std::string own_;  // <base>/<node>/
    std::string node_;
    std::string prefix_;
};

}  // namespace kavtra

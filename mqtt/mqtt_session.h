#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mqtt/commands.h"
#include "mqtt/mqtt_link.h"
#include "mqtt/mqtt_settings.h"
#include "mqtt/topics.h"
#include "outputs/out_state.h"
#include "port/lpt.h"
#include "rules/rules.h"

namespace kavtra {

// An output's counters as Home Assistant's sensors show them; `kwh` empty
// where no power is set.
struct CounterValues {
    int output = 0;
    std::string switches;
    std::string seconds;
    std::string kwh;
};

// What the outputs look like now, for the outputs a step touched.
struct OutputsUpdate {
    std::vector<std::pair<int, bool>> states;  // output, on
    std::vector<std::pair<int, std::string>> names;
    // When a running limit ends (savedTimeText), empty for none; published
    // only where it differs from the last, so an output that never had a
    // limit running has no attributes at all.
    std::vector<std::pair<int, std::string>> deadlines;
    std::vector<CounterValues> counters;
};

// A switch of an entry of Rules.ini by its name: a sequence's, on while it
// runs or is paused, or a rule's, on while it is enabled.
struct NamedSwitch {
    std::string name;
    bool on = false;
};

// The rules as MQTT shows them: groups (a switch each, on when all their
// outputs are), scenes (by name), with them the undo button, a switch for
// each sequence and each rule, and the named inputs (a binary sensor each;
// empty: not announced).
struct RulesUpdate {
    std::vector<Group> groups;
    std::vector<std::string> scenes;
    std::vector<NamedSwitch> sequences;
    std::vector<NamedSwitch> rules;
    std::array<std::string, kInputs> inputs{};
};

struct SessionTiming {
    // Home Assistant announces itself to every device at once; each answers
    // after its own random delay so they do not all publish at the same time.
    std::chrono::milliseconds announceDelayMin{500};
    std::chrono::milliseconds announceDelayMax{3000};
    std::chrono::milliseconds firstRetry{500};
    std::chrono::milliseconds longestRetry{30000};
    // How often the counters of outputs that are on are published, so that
    // their time and energy move between steps.
    std::chrono::milliseconds countersPeriod{60000};
};

// Everything MQTT does, on a thread of its own: the link, a copy of the
// outputs' states and names to publish from, the reading of commands. It
// hands valid commands over (commandReceived) and never touches the outputs.
class MqttSession : public QObject {
    Q_OBJECT
public:
    MqttSession(MqttSettings settings, SessionTiming timing);
    ~MqttSession() override;

    // Called on the session's thread (queued).
    void start();
    void update(const OutputsUpdate& update);
    void rulesChanged(const RulesUpdate& rules);
    // A sequence started, paused or stopped.
    void sequenceChanged(const NamedSwitch& sequence);
    // A named input's state as wired.
    void inputChanged(int input, bool on);
    // The last word at exit: "offline", then a clean disconnect.
    void stop(std::chrono::milliseconds grace);

signals:
    void commandReceived(const kavtra::Command& command);
    void statusChanged(const QString& text, bool connected);
    void logLine(const QString& line);

private:
    void onConnected();
    void onFailed(const LinkFailure& failure);
    void onReceived(const ReceivedMessage& message);
    void publishName(int output);
    // Its discovery config, or an empty one when the choice leaves it out.
    void publishConfig(int output);
    void publishState(int output);
    void publishAttributes(int output);
    // The counters' sensors' states, for an output Home Assistant is told of.
    void publishCounters(int output);
    void publishDiscovery();
    void publishRulesDiscovery();
    // Each group's and named switch's state when it differs from the one
    // last published, or (`all`) every one's.
    void publishGroupStates(bool all);
    void publishInputState(int input);
    // Empty retained messages where removed groups, scenes and switches were.
    void clearRemoved();
    // The command of a group's, scene's, sequence's, rule's or undo's topic.
    Parsed<Command> ruleCommand(const Topics::Incoming& incoming, const std::string& payload) const;
    void setStatus(const QString& text, bool connected);
    void log(const std::string& line);
    QString address() const;

    MqttSettings settings_;
    SessionTiming timing_;
    Topics topics_;
    std::unique_ptr<MqttLink> link_;
    QTimer announceTimer_;
    std::array<bool, OutState::kOutputs> on_{};
    std::array<std::string, OutState::kOutputs> names_;
    std::array<std::string, OutState::kOutputs> deadlines_;
    // Outputs that have had a limit running: only theirs have attributes.
    std::array<bool, OutState::kOutputs> attributed_{};
    // Each output's counters once known; the output number 0 while not.
    std::array<CounterValues, OutState::kOutputs> counters_{};
    struct GroupEntity {
        std::string name;
        std::string slug;
        std::vector<int> outputs;
        std::optional<bool> published;  // the retained state as the broker has it
    };
    struct SceneEntity {
        std::string name;
        std::string slug;
    };
    // Nothing of the rules is announced until they are known.
    bool rulesKnown_ = false;
    std::vector<GroupEntity> groups_;
    std::vector<SceneEntity> scenes_;
    std::array<std::string, kInputs> inputNames_{};
    std::array<std::optional<bool>, kInputs> inputsOn_{};
    // Slugs of removed groups and scenes whose retained messages are still on
    // the broker, as far as this session knows.
    std::set<std::string> removedGroups_;
    std::set<std::string> removedScenes_;
    // The sequences' and the rules' switches alike, each kind under its word.
    struct SwitchEntity {
        std::string name;
        std::string slug;
        bool on = false;
        std::optional<bool> published;
    };
    struct SwitchKind {
        std::string word;  // "sequence", "rule"
        std::vector<SwitchEntity> entities;
        std::set<std::string> removed;
    };
    static void replaceSwitches(SwitchKind& kind, const std::vector<NamedSwitch>& now);
    void publishSwitchStates(SwitchKind& kind, bool all);
    SwitchKind sequences_{"sequence", {}, {}};
    SwitchKind automationRules_{"rule", {}, {}};
    bool connected_ = false;
    bool outage_ = false;
    QString status_;
};

}  // namespace kavtra

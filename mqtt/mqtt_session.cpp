#include "mqtt/mqtt_session.h"

#include <QRandomGenerator>

#include <algorithm>

#include "mqtt/discovery.h"
#include "mqtt/slug.h"

namespace kavtra {

MqttSession::MqttSession(MqttSettings settings, SessionTiming timing)
    : settings_(std::move(settings)),
      timing_(timing),
      topics_(settings_.baseTopic, settings_.node, settings_.discoveryPrefix),
      announceTimer_(this) {
    announceTimer_.setSingleShot(true);
    connect(&announceTimer_, &QTimer::timeout, this, &MqttSession::publishDiscovery);
}

MqttSession::~MqttSession() = default;

QString MqttSession::address() const {
    return QString::fromStdString(settings_.host) + ":" + QString::number(settings_.port);
}

void MqttSession::start() {
    LinkOptions options;
    options.host = settings_.host;
    options.port = settings_.port;
    options.user = settings_.user;
    options.password = settings_.password;
    options.tls = settings_.tls;
    options.caFile = settings_.caFile;
    options.clientId = topics_.deviceId();
    options.willTopic = topics_.status();
    options.willPayload = "offline";
    options.firstRetry = timing_.firstRetry;
    options.longestRetry = timing_.longestRetry;
    // Enough to tell that a command is too long, without holding on to more.
    options.keptPayload = kMaxRequestBytes + 1;
    // The link's events arrive on its network thread; everything they lead
    // to happens here, on the session's thread, one event at a time.
    MqttLink::Events events;
    events.connected = [this] {
        QMetaObject::invokeMethod(
            this, [this] { onConnected(); }, Qt::QueuedConnection);
    };
    events.failed = [this](const LinkFailure& failure) {
        QMetaObject::invokeMethod(
            this, [this, failure] { onFailed(failure); }, Qt::QueuedConnection);
    };
    events.received = [this](ReceivedMessage message) {
        QMetaObject::invokeMethod(
            this, [this, message = std::move(message)] { onReceived(message); }, Qt::QueuedConnection);
    };
    setStatus("MQTT: подключение к " + address() + "…", false);
    link_ = std::make_unique<MqttLink>(std::move(options), std::move(events));
    link_->start();
}

void MqttSession::update(const OutputsUpdate& update) {
    for (const auto& [output, on] : update.states) {
        on_.at(output - 1) = on;
        if (connected_) publishState(output);
    }
    for (const auto& [output, name] : update.names) {
        names_.at(output - 1) = name;
        if (connected_) publishName(output);
    }
    for (const auto& [output, deadline] : update.deadlines) {
        if (deadlines_.at(output - 1) == deadline) continue;
        deadlines_.at(output - 1) = deadline;
        attributed_.at(output - 1) = true;
        if (connected_) publishAttributes(output);
    }
    for (const CounterValues& values : update.counters) {
        CounterValues& known = counters_.at(static_cast<std::size_t>(values.output - 1));
        // A power set or taken away adds or removes the energy sensor.
        const bool energyChanged = known.output == 0 || known.kwh.empty() != values.kwh.empty();
        known = values;
        if (!connected_) continue;
        if (energyChanged) publishConfig(values.output);
        publishCounters(values.output);
    }
    if (connected_ && !update.states.empty()) publishGroupStates(false);
}

void MqttSession::rulesChanged(const RulesUpdate& rules) {
    std::vector<std::string> names;
    for (const Group& group : rules.groups) names.push_back(group.name);
    const std::vector<std::string> groupSlugs = uniqueSlugs(names);
    const std::vector<std::string> sceneSlugs = uniqueSlugs(rules.scenes);

    // What the broker already has under a slug stays valid as long as the
    // slug names the same thing.
    std::vector<GroupEntity> groups;
    for (std::size_t i = 0; i < rules.groups.size(); ++i) {
        GroupEntity group{rules.groups[i].name, groupSlugs[i], rules.groups[i].outputs, std::nullopt};
        const auto old =
            std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.slug == group.slug; });
        if (old != groups_.end()) group.published = old->published;
        removedGroups_.erase(group.slug);
        groups.push_back(std::move(group));
    }
    for (const GroupEntity& old : groups_)
        if (std::none_of(groups.begin(), groups.end(), [&](const auto& g) { return g.slug == old.slug; }))
            removedGroups_.insert(old.slug);
    std::vector<SceneEntity> scenes;
    for (std::size_t i = 0; i < rules.scenes.size(); ++i) {
        scenes.push_back({rules.scenes[i], sceneSlugs[i]});
        removedScenes_.erase(sceneSlugs[i]);
    }
    for (const SceneEntity& old : scenes_)
        if (std::none_of(scenes.begin(), scenes.end(), [&](const auto& s) { return s.slug == old.slug; }))
            removedScenes_.insert(old.slug);
    groups_ = std::move(groups);
    scenes_ = std::move(scenes);
    replaceSwitches(sequences_, rules.sequences);
    replaceSwitches(automationRules_, rules.rules);
    for (std::size_t i = 0; i < kInputs; ++i)
        if (rules.inputs[i].empty()) inputsOn_[i].reset();
    inputNames_ = rules.inputs;
    rulesKnown_ = true;
    if (!connected_) return;
    clearRemoved();
    publishRulesDiscovery();
    publishGroupStates(false);
}

void MqttSession::replaceSwitches(SwitchKind& kind, const std::vector<NamedSwitch>& now) {
    std::vector<std::string> names;
    for (const NamedSwitch& entry : now) names.push_back(entry.name);
    const std::vector<std::string> slugs = uniqueSlugs(names);
    std::vector<SwitchEntity> entities;
    for (std::size_t i = 0; i < now.size(); ++i) {
        SwitchEntity entity{now[i].name, slugs[i], now[i].on, std::nullopt};
        const auto old = std::find_if(kind.entities.begin(), kind.entities.end(),
                                      [&](const auto& e) { return e.slug == entity.slug; });
        if (old != kind.entities.end()) entity.published = old->published;
        kind.removed.erase(entity.slug);
        entities.push_back(std::move(entity));
    }
    for (const SwitchEntity& old : kind.entities)
        if (std::none_of(entities.begin(), entities.end(), [&](const auto& e) { return e.slug == old.slug; }))
            kind.removed.insert(old.slug);
    kind.entities = std::move(entities);
}

void MqttSession::sequenceChanged(const NamedSwitch& sequence) {
    const auto found = std::find_if(sequences_.entities.begin(), sequences_.entities.end(),
                                    [&](const auto& e) { return e.name == sequence.name; });
    if (found == sequences_.entities.end()) return;
    found->on = sequence.on;
    if (connected_) publishSwitchStates(sequences_, false);
}

void MqttSession::inputChanged(int input, bool on) {
    // A rule may watch an input Home Assistant is not told of.
    if (inputNames_.at(static_cast<std::size_t>(input - 1)).empty()) return;
    inputsOn_[static_cast<std::size_t>(input - 1)] = on;
    if (connected_) publishInputState(input);
}

void MqttSession::stop(std::chrono::milliseconds grace) {
    announceTimer_.stop();
    if (!link_) return;
    if (connected_) link_->publish(topics_.status(), "offline", true);
    connected_ = false;
    link_->stop(grace);
}

void MqttSession::onConnected() {
    connected_ = true;
    if (outage_) log("MQTT: связь с " + address().toStdString() + " восстановлена");
    outage_ = false;
    setStatus("MQTT: подключено к " + address(), true);
    link_->subscribe(topics_.commandFilter());
    link_->subscribe(topics_.batch());
    link_->subscribe(topics_.groupCommandFilter());
    link_->subscribe(topics_.sceneCommandFilter());
    link_->subscribe(topics_.undoCommand());
    for (const SwitchKind* kind : {&sequences_, &automationRules_})
        link_->subscribe(topics_.switchCommandFilter(kind->word));
    if (settings_.discovery) link_->subscribe(topics_.homeAssistantStatus());
    link_->publish(topics_.status(), "online", true);
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        publishName(output);
        publishState(output);
        if (attributed_[output - 1]) publishAttributes(output);
        publishCounters(output);
    }
    if (!rulesKnown_) return;
    clearRemoved();
    publishRulesDiscovery();
    publishGroupStates(true);
    for (int input = 1; input <= static_cast<int>(kInputs); ++input) publishInputState(input);
}

void MqttSession::onFailed(const LinkFailure& failure) {
    connected_ = false;
    const QString reason = QString::fromStdString(failure.reason);
    const QString text = failure.refused ? "MQTT: брокер " + address() + " отказал во входе: " + reason
                                         : "MQTT: нет связи с " + address() + ": " + reason;
    setStatus(text, false);
    // Once per outage: the retries go on quietly until the link is back.
    if (!outage_) log(text.toStdString());
    outage_ = true;
}

void MqttSession::onReceived(const ReceivedMessage& message) {
    const Topics::Incoming incoming = topics_.classify(message.topic);
    if (incoming.kind == Topics::Kind::Other) return;
    if (incoming.kind == Topics::Kind::HomeAssistant) {
        // A retained "online" is Home Assistant's old announcement, already
        // answered by the publication after connecting.
        if (message.payload == "online" && !message.retained && !announceTimer_.isActive()) {
            const auto delay =
                QRandomGenerator::global()->bounded(static_cast<int>(timing_.announceDelayMin.count()),
                                                    static_cast<int>(timing_.announceDelayMax.count()) + 1);
            announceTimer_.start(delay);
        }
        return;
    }
    const std::string shownTopic = message.topic.substr(0, 200);
    if (incoming.kind == Topics::Kind::BadOutput) {
        log("MQTT: команда в " + shownTopic + " пропущена: " + incoming.problem);
        return;
    }
    // A retained command is one from the past: switching on it would switch a
    // load every time the program or the broker restarts.
    if (message.retained) {
        log("MQTT: сохранённая (retained) команда в " + shownTopic + " пропущена");
        return;
    }
    const Parsed<Command> parsed = incoming.kind == Topics::Kind::Output
                                       ? parseOutputCommand(incoming.output, message.payload)
                                   : incoming.kind == Topics::Kind::Batch ? parseBatchCommand(message.payload)
                                                                          : ruleCommand(incoming, message.payload);
    if (!parsed) {
        log("MQTT: команда в " + shownTopic + " пропущена: " + parsed.error);
        return;
    }
    emit commandReceived(*parsed.value);
}

Parsed<Command> MqttSession::ruleCommand(const Topics::Incoming& incoming, const std::string& payload) const {
    if (incoming.kind == Topics::Kind::Undo) return parseUndoCommand(payload);
    if (incoming.kind == Topics::Kind::Group) {
        const auto group =
            std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.slug == incoming.slug; });
        if (group != groups_.end()) return parseGroupCommand(group->name, payload);
        return Parsed<Command>::refused(noGroup(incoming.slug));
    }
    if (incoming.kind == Topics::Kind::Sequence || incoming.kind == Topics::Kind::Rule) {
        const bool sequence = incoming.kind == Topics::Kind::Sequence;
        const std::vector<SwitchEntity>& entities = (sequence ? sequences_ : automationRules_).entities;
        const auto found =
            std::find_if(entities.begin(), entities.end(), [&](const auto& e) { return e.slug == incoming.slug; });
        if (found == entities.end())
            return Parsed<Command>::refused(sequence ? noSequence(incoming.slug) : noRule(incoming.slug));
        return sequence ? parseSequenceCommand(found->name, payload) : parseRuleCommand(found->name, payload);
    }
    const auto scene =
        std::find_if(scenes_.begin(), scenes_.end(), [&](const auto& s) { return s.slug == incoming.slug; });
    if (scene != scenes_.end()) return parseSceneCommand(scene->name, payload);
    return Parsed<Command>::refused(noScene(incoming.slug));
}

void MqttSession::publishName(int output) {
    link_->publish(topics_.name(output), names_[output - 1], true);
    publishConfig(output);
}

void MqttSession::publishConfig(int output) {
    if (!settings_.discovery) return;
    const std::string& name = names_[output - 1];
    // An output left out may have been announced by an earlier choice; the
    // empty retained config is how Home Assistant forgets it.
    const bool offered = settings_.outputs.includes(output, name);
    link_->publish(topics_.discovery(output), offered ? discoveryConfig(topics_, output, name) : std::string(), true);
    // Sensors only where counters are kept, energy only with a power.
    const CounterValues& counters = counters_[output - 1];
    for (const std::string_view what : kCounterSensors)
        link_->publish(topics_.counterDiscovery(output, what),
                       offered && counters.output != 0 && (what != "energy" || !counters.kwh.empty())
                           ? counterDiscoveryConfig(topics_, output, name, what)
                           : std::string(),
                       true);
}

void MqttSession::publishCounters(int output) {
    const CounterValues& values = counters_[output - 1];
    if (values.output == 0 || !settings_.outputs.includes(output, names_[output - 1])) return;
    link_->publish(topics_.counter(output, "switches"), values.switches, true);
    link_->publish(topics_.counter(output, "seconds"), values.seconds, true);
    if (!values.kwh.empty()) link_->publish(topics_.counter(output, "energy"), values.kwh, true);
}

void MqttSession::publishState(int output) {
    link_->publish(topics_.state(output), on_[output - 1] ? "ON" : "OFF", true);
}

void MqttSession::publishAttributes(int output) {
    link_->publish(topics_.attributes(output), outputAttributes(deadlines_[output - 1]), true);
}

void MqttSession::publishDiscovery() {
    if (!connected_) return;
    for (int output = 1; output <= OutState::kOutputs; ++output) publishConfig(output);
    if (rulesKnown_) publishRulesDiscovery();
}

void MqttSession::publishRulesDiscovery() {
    if (!settings_.discovery) return;
    for (const GroupEntity& group : groups_)
        link_->publish(topics_.groupDiscovery(group.slug), groupDiscoveryConfig(topics_, group.slug, group.name), true);
    for (const SceneEntity& scene : scenes_)
        link_->publish(topics_.sceneDiscovery(scene.slug), sceneDiscoveryConfig(topics_, scene.slug, scene.name), true);
    link_->publish(topics_.undoDiscovery(), undoDiscoveryConfig(topics_), true);
    for (const SwitchKind* kind : {&sequences_, &automationRules_})
        for (const SwitchEntity& entity : kind->entities)
            link_->publish(topics_.switchDiscovery(kind->word, entity.slug),
                           namedSwitchDiscoveryConfig(topics_, kind->word, entity.slug, entity.name), true);
    // An input no longer named may have been announced before.
    for (int input = 1; input <= static_cast<int>(kInputs); ++input) {
        const std::string& name = inputNames_[static_cast<std::size_t>(input - 1)];
        link_->publish(topics_.inputDiscovery(input), name.empty() ? "" : inputDiscoveryConfig(topics_, input, name),
                       true);
    }
}

void MqttSession::publishInputState(int input) {
    const std::optional<bool> on = inputsOn_[static_cast<std::size_t>(input - 1)];
    if (on) link_->publish(topics_.inputState(input), *on ? "ON" : "OFF", true);
}

void MqttSession::publishGroupStates(bool all) {
    for (GroupEntity& group : groups_) {
        const bool on = std::all_of(group.outputs.begin(), group.outputs.end(), [&](int n) { return on_[n - 1]; });
        if (!all && group.published == on) continue;
        link_->publish(topics_.groupState(group.slug), on ? "ON" : "OFF", true);
        group.published = on;
    }
    publishSwitchStates(sequences_, all);
    publishSwitchStates(automationRules_, all);
}

void MqttSession::publishSwitchStates(SwitchKind& kind, bool all) {
    for (SwitchEntity& entity : kind.entities) {
        if (!all && entity.published == entity.on) continue;
        link_->publish(topics_.switchState(kind.word, entity.slug), entity.on ? "ON" : "OFF", true);
        entity.published = entity.on;
    }
}

void MqttSession::clearRemoved() {
    // An empty retained config is Home Assistant's word for "remove it".
    for (const std::string& slug : removedGroups_) {
        if (settings_.discovery) link_->publish(topics_.groupDiscovery(slug), "", true);
        link_->publish(topics_.groupState(slug), "", true);
    }
    if (settings_.discovery)
        for (const std::string& slug : removedScenes_) link_->publish(topics_.sceneDiscovery(slug), "", true);
    for (SwitchKind* kind : {&sequences_, &automationRules_}) {
        for (const std::string& slug : kind->removed) {
            if (settings_.discovery) link_->publish(topics_.switchDiscovery(kind->word, slug), "", true);
            link_->publish(topics_.switchState(kind->word, slug), "", true);
        }
        kind->removed.clear();
    }
    removedGroups_.clear();
    removedScenes_.clear();
}

void MqttSession::setStatus(const QString& text, bool connected) {
    if (text == status_) return;
    status_ = text;
    emit statusChanged(text, connected);
}

void MqttSession::log(const std::string& line) { emit logLine(QString::fromStdString(line)); }

}  // namespace kavtra

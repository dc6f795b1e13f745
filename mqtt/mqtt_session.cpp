#include "mqtt/mqtt_session.h"

#include <QRandomGenerator>

#include "mqtt/discovery.h"

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
    if (settings_.discovery) link_->subscribe(topics_.homeAssistantStatus());
    link_->publish(topics_.status(), "online", true);
    for (int output = 1; output <= OutState::kOutputs; ++output) {
        publishName(output);
        publishState(output);
    }
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
                                       : parseBatchCommand(message.payload);
    if (!parsed) {
        log("MQTT: команда в " + shownTopic + " пропущена: " + parsed.error);
        return;
    }
    emit commandReceived(*parsed.value);
}

void MqttSession::publishName(int output) {
    link_->publish(topics_.name(output), names_[output - 1], true);
    publishConfig(output);
}

void MqttSession::publishConfig(int output) {
    if (settings_.discovery)
        link_->publish(topics_.discovery(output), discoveryConfig(topics_, output, names_[output - 1]), true);
}

void MqttSession::publishState(int output) {
    link_->publish(topics_.state(output), on_[output - 1] ? "ON" : "OFF", true);
}

void MqttSession::publishDiscovery() {
    if (!connected_) return;
    for (int output = 1; output <= OutState::kOutputs; ++output) publishConfig(output);
}

void MqttSession::setStatus(const QString& text, bool connected) {
    if (text == status_) return;
    status_ = text;
    emit statusChanged(text, connected);
}

void MqttSession::log(const std::string& line) { emit logLine(QString::fromStdString(line)); }

}  // namespace kavtra

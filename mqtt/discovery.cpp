#include "mqtt/discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace kavtra {
namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

// What every entity of one program copy shares: its device, its origin, and
// being unavailable while the copy is offline.
std::string config(const Topics& topics, QJsonObject entity) {
    const QString version = QStringLiteral(KAVTRA_VERSION);
    entity["availability_topic"] = text(topics.status());
    entity["qos"] = 1;
    entity["device"] = QJsonObject{
        {"identifiers", QJsonArray{text(topics.deviceId())}},
        {"name", QStringLiteral("Кавтра ") + text(topics.node())},
        {"sw_version", version},
    };
    entity["origin"] = QJsonObject{{"name", "Кавтра"}, {"sw_version", version}};
    return QJsonDocument(entity).toJson(QJsonDocument::Compact).toStdString();
}

// A switch: an output's or a group's.
std::string switchConfig(const Topics& topics, const QString& name, const std::string& uniqueId,
                         const std::string& command, const std::string& state, const std::string& attributes = {}) {
    QJsonObject entity{
        {"name", name},
        {"unique_id", text(uniqueId)},
        {"command_topic", text(command)},
        {"state_topic", text(state)},
        {"payload_on", "ON"},
        {"payload_off", "OFF"},
    };
    if (!attributes.empty()) entity["json_attributes_topic"] = text(attributes);
    return config(topics, entity);
}

}  // namespace

std::string discoveryConfig(const Topics& topics, int output, const std::string& name) {
    // An empty name would make Home Assistant call the switch after the
    // device alone, and every unnamed output would look the same.
    const QString shownName = name.empty() ? QStringLiteral("Вывод %1").arg(output) : text(name);
    return switchConfig(topics, shownName, topics.uniqueId(output), topics.command(output), topics.state(output),
                        topics.attributes(output));
}

std::string counterDiscoveryConfig(const Topics& topics, int output, const std::string& name, std::string_view what) {
    const QString shownName = name.empty() ? QStringLiteral("Вывод %1").arg(output) : text(name);
    QJsonObject entity{
        {"unique_id", text(topics.counterUniqueId(output, what))},
        {"state_topic", text(topics.counter(output, what))},
        {"state_class", "total_increasing"},
    };
    if (what == "switches") {
        entity["name"] = shownName + QStringLiteral(": переключения");
        entity["icon"] = "mdi:counter";
    } else if (what == "seconds") {
        entity["name"] = shownName + QStringLiteral(": время включения");
        entity["device_class"] = "duration";
        entity["unit_of_measurement"] = "s";
    } else {
        entity["name"] = shownName + QStringLiteral(": энергия");
        entity["device_class"] = "energy";
        entity["unit_of_measurement"] = "kWh";
    }
    return config(topics, entity);
}

std::string outputAttributes(const std::string& deadline) {
    const QJsonObject attributes{{"deadline", deadline.empty() ? QJsonValue() : QJsonValue(text(deadline))}};
    return QJsonDocument(attributes).toJson(QJsonDocument::Compact).toStdString();
}

std::string groupDiscoveryConfig(const Topics& topics, const std::string& slug, const std::string& name) {
    return switchConfig(topics, text(name), topics.groupUniqueId(slug), topics.groupCommand(slug),
                        topics.groupState(slug));
}

std::string sceneDiscoveryConfig(const Topics& topics, const std::string& slug, const std::string& name) {
    return config(topics, {
                              {"name", text(name)},
                              {"unique_id", text(topics.sceneUniqueId(slug))},
                              {"command_topic", text(topics.sceneCommand(slug))},
                              {"payload_on", "ON"},
                          });
}

std::string namedSwitchDiscoveryConfig(const Topics& topics, std::string_view word, const std::string& slug,
                                       const std::string& name) {
    return switchConfig(topics, text(name), topics.switchUniqueId(word, slug), topics.switchCommand(word, slug),
                        topics.switchState(word, slug));
}

std::string undoDiscoveryConfig(const Topics& topics) {
    return config(topics, {
                              {"name", "Отменить"},
                              {"unique_id", text(topics.undoUniqueId())},
                              {"command_topic", text(topics.undoCommand())},
                              {"payload_press", "PRESS"},
                          });
}

std::string inputDiscoveryConfig(const Topics& topics, int input, const std::string& name) {
    return config(topics, {
                              {"name", text(name)},
                              {"unique_id", text(topics.inputUniqueId(input))},
                              {"state_topic", text(topics.inputState(input))},
                              {"payload_on", "ON"},
                              {"payload_off", "OFF"},
                          });
}

}  // namespace kavtra

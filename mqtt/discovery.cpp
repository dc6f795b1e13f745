#include "mqtt/discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace kavtra {
namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::string discoveryConfig(const Topics& topics, int output, const std::string& name) {
    const QString version = QStringLiteral(KAVTRA_VERSION);
    // An empty name would make Home Assistant call the switch after the
    // device alone, and every unnamed output would look the same.
    const QString shownName = name.empty() ? QStringLiteral("Вывод %1").arg(output) : text(name);
    const QJsonObject device{
        {"identifiers", QJsonArray{text(topics.deviceId())}},
        {"name", QStringLiteral("Кавтра ") + text(topics.node())},
        {"sw_version", version},
    };
    const QJsonObject origin{{"name", "Кавтра"}, {"sw_version", version}};
    const QJsonObject config{
        {"name", shownName},
        {"unique_id", text(topics.uniqueId(output))},
        {"command_topic", text(topics.command(output))},
        {"state_topic", text(topics.state(output))},
        {"availability_topic", text(topics.status())},
        {"payload_on", "ON"},
        {"payload_off", "OFF"},
        {"qos", 1},
        {"device", device},
        {"origin", origin},
    };
    return QJsonDocument(config).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace kavtra

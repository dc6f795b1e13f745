#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

#include "app/program.h"
#include "commands/command_core.h"

namespace kavtra {

// The program's link to an MQTT broker, as the [MQTT] section of config.ini
// asks for it: nothing at all while Host is empty, and nothing where the
// program is built without MQTT. It says "offline" before the exit sequence
// ends the process.
class ProgramMqtt : public QObject {
    Q_OBJECT
public:
    explicit ProgramMqtt(Program& program);
    ~ProgramMqtt() override;

    // Whether this build has MQTT at all: without it the window offers no
    // "MQTT" dialog.
    static bool built();
    // The link's last status, or why [MQTT] keeps it off; empty when off.
    const QString& status() const { return status_; }
    // Whether the link is up now; none while [MQTT] keeps it off.
    std::optional<bool> connected() const;
    // Reads [MQTT] again: changed settings end the link ("offline" and a
    // clean disconnect) and start the one now asked for.
    void followConfig();

signals:
    // For the window: "MQTT: подключено к host:1883", "MQTT: нет связи с …",
    // and an empty text when MQTT is turned off.
    void statusChanged(const QString& text, bool connected);

private:
    struct Link;
    std::unique_ptr<Link> link_;
    QString status_;
};

}  // namespace kavtra
